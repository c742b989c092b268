#pragma once

#include "check/check_outcome.h"
#include "check/html_element.h"

#include <cstddef>
#include <string_view>

// Gathers, as a page is read, what tells a bot check or an application
// shell from the partner's real page, and judges it at the end:
// - Challenge: the title holds one of a short table of bot-check titles
//   ("Just a moment...", 安全验证, 滑动验证, 请完成验证, …), or an attribute
//   value of a script, form, div, iframe or input holds a bot-check
//   signature (challenge-platform paths, cf-chl fields, slider captcha
//   wrappers) on a page of less than 2 KiB of text;
// - Script: the page loads scripts, holds no link and less than 128 bytes of
//   text, or holds an empty root element (<div id="app"></div>, "root",
//   "__next", "__nuxt") and less than 512 bytes of text;
// - Ok otherwise. Text is the page's bytes outside tags, comments, scripts,
//   styles and the title, blanks not counted, counted up to 2 KiB.
// Titles and signatures are matched in GBK and in UTF-8. Not thread-safe;
// one object per page.
class PageKindSignals
{
public:
    PageKindSignals();

    void AddTitle(std::string_view title);
    // Inline: it runs for every stretch of text, and past the counted text it reads nothing.
    void AddText(std::string_view text)
    {
        if (m_text < countedText)
            countText(text);
    }
    void AddScript(std::string_view source);
    void AddLink() { m_links = true; }
    // An attribute value of a tag that may carry a bot-check signature.
    void AddSignatureValue(std::string_view value);
    // Whether AddSignatureValue may still tell anything: a signature tells
    // only on a page of little text, and text only grows.
    bool WantsSignatureValues() const { return !m_signature && m_text < countedText; }
    // A start tag's id, and the end of an element: an element whose id names
    // a root and whose end tag comes with only blanks before it is empty.
    // Inline: they run for every tag of a page.
    void StartElement(HtmlElement element, std::string_view id)
    {
        m_rootOpen = element == HtmlElement::Div && namesRoot(id);
    }
    void EndElement(HtmlElement element)
    {
        m_emptyRoot = m_emptyRoot || (m_rootOpen && element == HtmlElement::Div);
        m_rootOpen = false;
    }

    PageKind Kind() const;

private:
    // The text counted, at most.
    static constexpr std::size_t countedText = 2048;

    void countText(std::string_view text);
    static bool namesRoot(std::string_view id);

    std::size_t m_text = 0;
    bool m_scripts = false;
    bool m_links = false;
    bool m_challengeTitle = false;
    bool m_signature = false;
    bool m_rootOpen = false;
    bool m_emptyRoot = false;
};
