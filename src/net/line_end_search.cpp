#include "net/line_end_search.h"

#include "net/text_util.h"

LineEndSearch::LineEndSearch(const Text& Terminator, bool ConvertLineEnd)
    : m_terminator(Terminator)
    , m_convert(ConvertLineEnd)
    , m_terminatorLength(Terminator.size())
{
}

std::size_t LineEndSearch::Find(std::string_view Work)
{
    std::size_t found = std::string_view::npos;
    if (m_searched > Work.size())
        m_searched = 0;
    if (m_convert) {
        // Every CR and every LF ends a line here, so text already searched
        // holds neither and the new bytes alone decide. The byte that could
        // pair with a CR or LF found lies in the new bytes too.
        Text terminator;
        const int position = FindLineEnd(Work.substr(m_searched), terminator);
        if (position > 0) {
            found = m_searched + static_cast<std::size_t>(position) - 1;
            m_terminatorLength = terminator.size();
            m_loneCR = terminator == "\r";
            m_loneLF = terminator == "\n";
        }
    } else if (!m_terminator.empty()) {
        // A terminator may begin in the last bytes searched and end in the new ones.
        const std::size_t overlap = m_terminator.size() - 1;
        found = Work.find(m_terminator, m_searched > overlap ? m_searched - overlap : 0);
    }
    m_searched = Work.size();
    return found;
}
