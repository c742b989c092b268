#include "check/anchor_text.h"

#include "base/gbk_codec.h"
#include "check/check_outcome.h"
#include "check/html_markup.h"

namespace {

constexpr char imageHead[] = "[\xCD\xBC\xC6\xAC] "; // [图片]
// The text gathered before it is turned into GBK and capped: room for a
// UTF-8 page's three bytes per character.
constexpr std::size_t gatheredLimit = OutcomeTextLimit * 3 / 2;

// Gathers folded text in the page's own encoding.
class FoldedText
{
public:
    explicit FoldedText(bool utf8Page)
        : m_utf8(utf8Page)
    {
    }

    bool Full() const { return m_text.size() >= gatheredLimit; }
    void Blank() { m_blank = !m_text.empty(); }
    // Adds the text of a run without markup; gives where it stopped.
    void AddRun(std::string_view run);
    // Adds the character reference (or lone '&') at the front of text; gives its length.
    std::size_t AddReference(std::string_view text);
    Text Finish() const { return CappedOutcomeText(m_utf8 ? Utf8ToGbk(m_text) : m_text); }

private:
    void add(std::string_view bytes);
    // The length of the blank character at the front of text, 0 when none.
    std::size_t blankAt(std::string_view text) const;

    bool m_utf8;
    bool m_blank = false;
    Text m_text;
};

void FoldedText::add(std::string_view bytes)
{
    if (m_blank)
        m_text += ' ';
    m_blank = false;
    m_text += bytes;
}

std::size_t FoldedText::blankAt(std::string_view text) const
{
    if (IsHtmlSpace(text.front()))
        return 1;
    if (m_utf8)
        return text.starts_with("\xC2\xA0") ? 2 : text.starts_with("\xE3\x80\x80") ? 3 : 0;
    return text.starts_with("\xA1\xA1") ? 2 : 0;
}

void FoldedText::AddRun(std::string_view run)
{
    std::size_t at = 0;
    while (at < run.size() && !Full()) {
        if (const std::size_t blank = blankAt(run.substr(at))) {
            Blank();
            at += blank;
            continue;
        }
        // A GBK double-byte character goes over whole, so that its second byte is never read as a blank.
        const std::size_t length = !m_utf8 && static_cast<unsigned char>(run[at]) >= 0x81 ? 2 : 1;
        add(run.substr(at, length));
        at += length;
    }
}

std::size_t FoldedText::AddReference(std::string_view text)
{
    if (text.starts_with("&nbsp;")) {
        Blank();
        return 6;
    }
    std::string decoded;
    const std::size_t length = DecodeHtmlReferences(text, 1, decoded);
    if (decoded == "\xC2\xA0" || decoded == "\xE3\x80\x80")
        Blank();
    else
        add(m_utf8 || static_cast<unsigned char>(decoded.front()) < 0x80 ? decoded : Utf8ToGbk(decoded));
    return length;
}

void addText(std::string_view text, FoldedText& folded)
{
    std::size_t at = 0;
    while (at < text.size() && !folded.Full()) {
        const std::size_t reference = std::min(text.find('&', at), text.size());
        folded.AddRun(text.substr(at, reference - at));
        at = reference;
        if (at < text.size())
            at += folded.AddReference(text.substr(at));
    }
}

// Passes over the tag or comment at the front of content (its '<'); keeps
// the first image's alt and reads a <br> as a blank.
std::size_t skipMarkup(std::string_view content, std::string_view& alt, FoldedText& folded)
{
    if (content.starts_with("<!--")) {
        const std::size_t close = content.find("-->", 4);
        return close == std::string_view::npos ? content.size() : close + 3;
    }
    std::size_t nameEnd = 1;
    while (nameEnd < content.size() && !IsHtmlSpace(content[nameEnd]) && content[nameEnd] != '>'
        && content[nameEnd] != '/')
        ++nameEnd;
    const std::string_view name = content.substr(1, nameEnd - 1);
    if (EqualsIgnoringCase(name, "br"))
        folded.Blank();
    std::string_view tag = content.substr(nameEnd);
    HtmlAttribute attribute;
    while (ReadHtmlAttribute(tag, attribute)) {
        if (alt.empty() && EqualsIgnoringCase(name, "img") && EqualsIgnoringCase(attribute.name, "alt"))
            alt = attribute.value;
    }
    return content.size() - tag.size() + (tag.empty() ? 0 : 1);
}

}

Text ReadAnchorText(std::string_view content, bool utf8Page)
{
    FoldedText folded(utf8Page);
    std::string_view alt;
    bool image = false;
    std::size_t at = 0;
    while (at < content.size() && !folded.Full()) {
        const std::size_t open = std::min(content.find('<', at), content.size());
        addText(content.substr(at, open - at), folded);
        at = open;
        if (at == content.size())
            break;
        const std::string_view markup = content.substr(at);
        const std::size_t length = skipMarkup(markup, alt, folded);
        image = image || (markup.size() > 4 && EqualsIgnoringCase(markup.substr(1, 3), "img"));
        at += length;
    }
    Text text = folded.Finish();
    if (text.empty() && image)
        return ImageAnchorText(alt, utf8Page);
    return text;
}

Text ImageAnchorText(std::string_view alt, bool utf8Page)
{
    FoldedText folded(utf8Page);
    addText(alt, folded);
    const Text text = folded.Finish();
    return text.empty() ? Text(imageHead, sizeof imageHead - 2) : CappedOutcomeText(imageHead + text);
}
