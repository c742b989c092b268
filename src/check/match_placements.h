#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <array>
#include <cstddef>
#include <string_view>

// The matches of the query on a page, in page order, as the page reading
// judges them one by one, and the one the outcome tells of: the first that
// counts (a direct link without nofollow, sponsored or ugc), else the first
// in a direct link, else the first. At most the first 10 000 matches are
// judged, and none after one that counts. Overlapping matches each count.
// The page must outlive the object; one thread at a time.
class MatchPlacements
{
public:
    // form: the query's bytes as found on the page; empty when it was not found.
    MatchPlacements(std::string_view page, std::string_view form);

    // Where the next match to judge starts; npos when none is left.
    std::size_t Next() const { return m_next; }
    // Judges the match at Next(): where it sits, whether it counts, the
    // link it sits in (0 for none; each link of the page has its own
    // number) and that link's href as the page writes it.
    void Judge(LinkPlacement placement, bool counts, std::size_t link, std::string_view href);

    // Whether a kept match sits in link and still wants its anchor text.
    bool WantsAnchor(std::size_t link) const;
    void SetAnchor(std::size_t link, const Text& anchor);

    struct Match {
        std::size_t offset = std::string_view::npos;
        LinkPlacement placement = LinkPlacement::None;
        std::size_t link = 0;
        std::string_view href;
        Text anchor;
        bool anchorSet = false;
    };
    // The match the outcome tells of; offset npos when none was judged.
    const Match& Chosen() const;

private:
    enum Kept { firstMatch, firstLink, firstCounting };

    std::string_view m_page;
    std::string_view m_form;
    std::size_t m_next;
    std::size_t m_judged = 0;
    std::array<Match, 3> m_kept {};
};
