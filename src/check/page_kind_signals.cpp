#include "check/page_kind_signals.h"

#include "base/gbk_codec.h"
#include "check/html_markup.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::size_t shellText = 128;
constexpr std::size_t emptyRootText = 512;

// The titles bot checks and captcha pages show; GBK where Chinese.
constexpr const char* challengeTitles[] = {
    "Just a moment...", "Attention Required! | Cloudflare", "DDoS-Guard",
    "\xB0\xB2\xC8\xAB\xD1\xE9\xD6\xA4", // 安全验证
    "\xBB\xAC\xB6\xAF\xD1\xE9\xD6\xA4", // 滑动验证
    "\xC7\xEB\xCD\xEA\xB3\xC9\xD1\xE9\xD6\xA4", // 请完成验证
    "\xC8\xCB\xBB\xFA\xD1\xE9\xD6\xA4", // 人机验证
    "\xB7\xC3\xCE\xCA\xD1\xE9\xD6\xA4", // 访问验证
};

// What the markup of a bot check carries: its script paths, form fields and widgets.
constexpr std::string_view challengeSignatures[] = { "/cdn-cgi/challenge-platform/", "cf-chl-", "_cf_chl",
    "challenge-form", "cf-browser-verification", "nc_1_wrapper", "geetest_", "tcaptcha" };

constexpr std::string_view rootIds[] = { "app", "root", "__next", "__nuxt" };

// Each title in both encodings a page may use.
const std::vector<std::string>& titleForms()
{
    static const std::vector<std::string> forms = [] {
        std::vector<std::string> all;
        for (const char* title : challengeTitles) {
            all.emplace_back(title);
            const std::string utf8 = GbkToUtf8(title);
            if (utf8 != title)
                all.push_back(utf8);
        }
        return all;
    }();
    return forms;
}

}

PageKindSignals::PageKindSignals() { titleForms(); }

void PageKindSignals::AddTitle(std::string_view title)
{
    m_challengeTitle = m_challengeTitle
        || std::any_of(titleForms().begin(), titleForms().end(),
            [title](const std::string& form) { return title.find(form) != std::string_view::npos; });
}

void PageKindSignals::countText(std::string_view text)
{
    for (std::size_t at = 0; at < text.size() && m_text < countedText; ++at) {
        if (!IsHtmlSpace(text[at])) {
            ++m_text;
            m_rootOpen = false;
        }
    }
}

void PageKindSignals::AddScript(std::string_view source)
{
    m_scripts = m_scripts || !TrimHtmlSpace(source).empty();
    AddSignatureValue(source);
}

void PageKindSignals::AddSignatureValue(std::string_view value)
{
    if (!WantsSignatureValues())
        return;
    m_signature = std::any_of(std::begin(challengeSignatures), std::end(challengeSignatures),
        [value](std::string_view signature) { return value.find(signature) != std::string_view::npos; });
}

bool PageKindSignals::namesRoot(std::string_view id)
{
    return std::any_of(
        std::begin(rootIds), std::end(rootIds), [id](std::string_view root) { return id == root; });
}

PageKind PageKindSignals::Kind() const
{
    if (m_challengeTitle || (m_signature && m_text < countedText))
        return PageKind::Challenge;
    if ((m_scripts && !m_links && m_text < shellText) || (m_emptyRoot && m_text < emptyRootText))
        return PageKind::Script;
    return PageKind::Ok;
}
