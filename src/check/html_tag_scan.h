#pragma once

#include "check/html_element.h"
#include "check/html_markup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// What a stretch of a page is, as HtmlTagScan reads it.
enum class HtmlToken : std::uint8_t {
    StartTag,
    EndTag,
    Comment, // from "<!--" to the next "-->", or to the page's end
    RawText, // the content of a script, style, textarea or title element
};

// Walks a page from its top to its end, token by token, reading the page
// where it lies and never going back: each byte is looked at a bounded
// number of times, so the cost grows with the page, however its markup is
// broken. The bytes between two tokens are the page's text. A start tag
// runs to its first '>' outside quoted values; an end tag to its first
// '>'; "<" before anything but a letter, '/' and a letter, or "!--" is
// text, and "<!…>" or "<?…>" is passed over. The content of a script,
// style, textarea or title element is one RawText token up to its end tag
// ("</script" in any letter case), or to the page's end. The page must
// outlive the scan; one thread at a time.
class HtmlTagScan
{
public:
    explicit HtmlTagScan(std::string_view page);

    // Moves to the next token, passing over the rest of the current start
    // tag first; false when the page has no more.
    bool Next();
    HtmlToken Token() const { return m_token; }
    // The tag's name as the page writes it; for RawText, its element's.
    std::string_view TagName() const { return m_name; }
    // The element the tag's name names (ElementNamed).
    HtmlElement Element() const { return m_element; }
    // Where the token starts in the page ('<' of a tag or comment).
    std::size_t Begin() const { return m_begin; }
    // Where the token ends: past its '>' (or at the page's end). For a start
    // tag this reads over its attributes not yet read.
    std::size_t End()
    {
        if (m_inStartTag)
            finishStartTag();
        return m_end;
    }
    // Whether the start tag ends with "/>"; reads it to its end first.
    bool SelfClosing()
    {
        End();
        return m_selfClosing;
    }
    // Reads the current start tag's next attribute (ReadHtmlAttribute);
    // false at the tag's end. Inline, always: it runs for every attribute of a page.
    [[gnu::always_inline]] bool NextAttribute(HtmlAttribute& attribute)
    {
        if (!m_attributesLeft || !ReadHtmlAttribute(m_rest, attribute)) {
            m_attributesLeft = false;
            return false;
        }
        m_attributesEnd = m_rest.data();
        return true;
    }
    // Reads the current start tag to its end, handing each attribute not
    // yet read to keep in turn. Inline, keep with it: it runs for every
    // start tag of a page, and each call would cost about as much as a short tag.
    template <typename Keep> void ReadStartTag(Keep keep)
    {
        HtmlAttribute attribute;
        while (NextAttribute(attribute))
            keep(attribute);
        if (m_inStartTag)
            endStartTag();
    }

private:
    std::size_t offset() const { return static_cast<std::size_t>(m_rest.data() - m_page.data()); }
    void finishStartTag();
    // Passes over the start tag's '>' once its attributes are read.
    void endStartTag()
    {
        // The blanks and '/' after the last attribute tell a "/>" ending.
        m_selfClosing = std::find(m_attributesEnd, m_rest.data(), '/') != m_rest.data();
        if (!m_rest.empty())
            m_rest.remove_prefix(1);
        m_inStartTag = false;
        m_end = offset();
        if (IsRawTextElement(m_element))
            m_rawElement = m_name;
    }
    bool rawTextNext();
    // Inline, always, in Next's loop: it runs for every '<' of a page.
    [[gnu::always_inline]] inline bool tagAt(const char* open, const char* end);

    std::string_view m_page;
    std::string_view m_rest;
    std::string_view m_name;
    std::string_view m_rawElement;
    const char* m_attributesEnd = nullptr;
    HtmlToken m_token = HtmlToken::Comment;
    HtmlElement m_element = HtmlElement::Other;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_inStartTag = false;
    // The start tag may have attributes not yet read: NextAttribute has not yet given false.
    bool m_attributesLeft = false;
    bool m_selfClosing = false;
};
