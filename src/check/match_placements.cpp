#include "check/match_placements.h"

#include "base/text_find.h"

namespace {

constexpr std::size_t judgedLimit = 10000;
constexpr auto npos = std::string_view::npos;

}

MatchPlacements::MatchPlacements(std::string_view page, std::string_view form)
    : m_page(page)
    , m_form(form)
    , m_next(form.empty() ? npos : FindBytes(page, form))
{
}

void MatchPlacements::Judge(LinkPlacement placement, bool counts, std::size_t link, std::string_view href)
{
    const Match match { m_next, placement, link, href, {}, false };
    if (m_kept[firstMatch].offset == npos)
        m_kept[firstMatch] = match;
    if (placement == LinkPlacement::Link && m_kept[firstLink].offset == npos)
        m_kept[firstLink] = match;
    if (counts) {
        m_kept[firstCounting] = match;
        m_next = npos;
        return;
    }
    m_next = ++m_judged == judgedLimit ? npos : FindBytes(m_page, m_form, m_next + 1);
}

bool MatchPlacements::WantsAnchor(std::size_t link) const
{
    for (const Match& match : m_kept) {
        if (match.offset != npos && match.link == link && !match.anchorSet)
            return true;
    }
    return false;
}

void MatchPlacements::SetAnchor(std::size_t link, const Text& anchor)
{
    for (Match& match : m_kept) {
        if (match.offset != npos && match.link == link && !match.anchorSet) {
            match.anchor = anchor;
            match.anchorSet = true;
        }
    }
}

const MatchPlacements::Match& MatchPlacements::Chosen() const
{
    if (m_kept[firstCounting].offset != npos)
        return m_kept[firstCounting];
    return m_kept[firstLink].offset != npos ? m_kept[firstLink] : m_kept[firstMatch];
}
