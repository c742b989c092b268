#include "check/link_check_worker.h"

#include "base/gbk_codec.h"
#include "base/text_find.h"
#include "check/fetch_slots.h"
#include "check/html_markup.h"
#include "check/link_rel.h"
#include "check/page_markup.h"
#include "check/robots_txt_cache.h"
#include "check/verdict_texts.h"
#include "net/http_send.h"
#include "net/http_text.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"

#include <algorithm>
#include <string_view>
#include <thread>

namespace {

constexpr char acceptText[]
    = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
      "application/msword, application/x-shockwave-flash, */*";
constexpr char crLf[] = "\r\n";
// Each receive of a fetch waits this long unless the caller sets a limit.
constexpr int fetchTimeoutSeconds = 50;
// A partner server may stream without end; these bound what one fetch holds:
// one status, header or chunk-size line, and the body.
constexpr std::int32_t maxLineLength = 1 << 20;
constexpr std::int64_t maxBodySize = std::int64_t { 64 } << 20;
// The debug window shows at most this much page text, so that a huge page
// neither stalls the window nor fills memory with its layout; the verdict
// still searches the whole page.
constexpr std::size_t shownPageLimit = std::size_t { 4 } << 20;
// The transcript a finished row keeps is cut sooner: a window keeps one per
// row of a run, and a command-line run may have a thousand rows.
constexpr std::size_t keptTranscriptLimit = std::size_t { 256 } << 10;

// The body the client received: its document from the read position on.
std::string_view receivedBody(const MemoryStream& document)
{
    const std::int64_t from = std::min(document.Position(), document.Size());
    return { document.Data() + from, static_cast<std::size_t>(document.Size() - from) };
}

// Gives the memory of text back, not just its length.
void release(Text& text) { Text().swap(text); }

bool holdsHighByte(const Text& value)
{
    return std::any_of(
        value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// How much of the page text a transcript shows: all of it when it fits;
// else up to the last line break within the limit, unless that would leave
// out more than half of it, in which case the last line is cut at the limit
// without splitting a GBK double-byte character.
std::size_t shownPageLength(std::string_view page, std::size_t limit)
{
    if (page.size() <= limit)
        return page.size();
    const std::size_t lineBreak = page.rfind(crLf, limit - 2);
    const std::size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 2;
    if (lineStart >= limit / 2)
        return lineStart;
    return GbkCharacterCut(page, lineStart, limit);
}

// "……（页面另有 N 字节未显示）": the page had N more bytes than shown.
Text hiddenPageNotice(std::size_t hiddenBytes)
{
    return "\xA1\xAD\xA1\xAD\xA3\xA8\xD2\xB3\xC3\xE6\xC1\xED\xD3\xD0 " + std::to_string(hiddenBytes)
        + " \xD7\xD6\xBD\xDA\xCE\xB4\xCF\xD4\xCA\xBE\xA3\xA9";
}

// The text cut at transcript's limit, at a line break or between characters,
// with the notice of what was left out.
Text cutTranscript(Text transcript, std::size_t limit)
{
    if (transcript.size() <= limit)
        return transcript;
    const std::string_view shown = std::string_view(transcript).substr(0, shownPageLength(transcript, limit));
    return Text(shown) + (shown.ends_with(crLf) ? "" : crLf)
        + hiddenPageNotice(transcript.size() - shown.size()) + crLf;
}

// The size of the text form of lines.
std::size_t textSize(const TextList& lines)
{
    std::size_t size = 0;
    for (const Text& line : lines.Lines())
        size += line.size() + 2;
    return size;
}

// Whether the page that answered is the partner's real page: a direct link
// or a near one shows it is; a bot check may answer with any status, an
// application shell only a page that came whole (2xx).
PageKind seenPage(const PageMarkup& markup, int status)
{
    if (markup.placement == LinkPlacement::Link || !markup.near.empty() || (status >= 300 && status < 400))
        return PageKind::Ok;
    if (status >= 200 && status < 300)
        return markup.page;
    return markup.page == PageKind::Challenge ? PageKind::Challenge : PageKind::Ok;
}

// The value of the last header line named name (lower case) in the response
// head, empty when there is none.
Text headerValue(const TextList& head, const Text& name)
{
    Text value;
    for (std::size_t line = 1; line < head.Count() && !head[line].empty(); ++line) {
        if (StartsWith(LowerAscii(head[line].substr(0, name.size() + 1)), name + ":"))
            value = TrimControls(head[line].substr(name.size() + 1));
    }
    return value;
}

}

Temu::Temu(std::shared_ptr<LinkCheckWindow> window)
    : m_window(std::move(window))
{
}

void Temu::Start(std::unique_ptr<Temu> worker, std::function<void()> whenFreed)
{
    std::thread([worker = std::move(worker), whenFreed = std::move(whenFreed)]() mutable {
        // An exception that escapes the fetch ends the worker without a
        // verdict; it must not leave the thread.
        try {
            worker->Execute();
        } catch (...) {
        }
        worker.reset();
        if (whenFreed)
            whenFreed();
    }).detach();
}

void Temu::Execute()
{
    PauseBeforeRequest(startPauseCount);
    RequestLines.Clear();
    HeaderLines.Clear();
    release(PageLines);
    release(TranscriptLines);
    Agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
    Language = "en";
    ProtocolVersion = "1.1";
    WriteResult(ResultRow, verdictTesting);
    FetchPage(fetchTimeoutSeconds);
    if (!SpiderAgent.empty())
        m_outcome.spider = fetchAsSpider(fetchTimeoutSeconds);
    // A site that gave no answer for the page is not asked for its robots.txt: it would only wait again.
    if (RobotsTxtAnswers && m_outcome.kind != CheckOutcomeKind::Unreachable)
        m_outcome.robotsTxt = RobotsTxtAnswers->AnswerFor(PageUrl);
    WriteResult(ResultRow, m_queryFound ? verdictFound : verdictNotFound);
    m_window->finishResult(ResultRow, m_outcome, m_keptTranscript);
    RequestLines.Clear();
    HeaderLines.Clear();
    release(PageLines);
    release(TranscriptLines);
    release(m_keptTranscript);
    m_largePage.reset();
}

void Temu::PauseBeforeRequest(int Count) const
{
    // The count runs from 0 to Count inclusive: eleven pauses for 10.
    if (m_pauseLength.count() <= 0)
        return;
    for (int pause = 0; pause <= Count; ++pause)
        std::this_thread::sleep_for(m_pauseLength);
}

void Temu::FetchPage(int TimeoutSeconds)
{
    // A fetch that found no descriptor free while others were in flight sent
    // nothing yet: it tries again, with a new client, once one of them ended.
    bool fetched = false;
    while (!fetched) {
        // Taken before the client is made and given back after it is freed,
        // also when an exception leaves the fetch.
        const FetchSlots::Slot slot = FetchSlots::Process().Take();
        m_requestStart = std::chrono::steady_clock::now();
        THTTPSend http;
        prepareFetch(http, TimeoutSeconds);
        const bool exchanged = http.ExecuteRequest("GET", PageUrl);
        fetched = http.Sock().LastErrorCode() != SE_TooManyOpenFiles || !FetchSlots::Process().RanShort();
        if (fetched)
            judgeExchange(http, exchanged, takeExchange(http));
    }
    if (ReadPage)
        ReadPage(m_outcome, PageLines, NamesUtf8(headerValue(HeaderLines, "content-type")));
    // Judged now, while the page text is the worker's own: publishing hands
    // its memory over to the transcript. The verdict is still written last.
    m_queryFound = m_outcome.kind == CheckOutcomeKind::Found;
    if (m_window->keepsTranscripts())
        m_keptTranscript = keptTranscript();
    PublishTranscript(ResultRow);
}

void Temu::prepareFetch(THTTPSend& http, int TimeoutSeconds)
{
    http.UserAccept = acceptText;
    RequestLines.Clear();
    release(PageLines);
    HeaderLines.Clear();
    http.Timeout
        = m_waitLimit.count() > 0 ? static_cast<std::int32_t>(m_waitLimit.count()) : TimeoutSeconds * 1000;
    http.Sock().MaxLineLength = maxLineLength;
    http.MaxBodySize = maxBodySize;
    http.LargeBodySize = LargePageSlots::LargePageSize;
    // A fetch tried again keeps the slot its first try took.
    http.OnLargeBody = [this] {
        if (!m_largePage)
            m_largePage = LargePageSlots::Take();
    };
    if (!Agent.empty())
        http.UserAgent = Agent;
    if (!Language.empty())
        http.UserLanguage = Language;
    if (!ProtocolVersion.empty())
        http.Protocol = ProtocolVersion;
    if (PrepareClient)
        PrepareClient(http);
}

// Fetches the page once more as the spider and compares whether each fetch found the query.
SpiderView Temu::fetchAsSpider(int TimeoutSeconds)
{
    const FetchSlots::Slot slot = FetchSlots::Process().Take();
    THTTPSend http;
    prepareFetch(http, TimeoutSeconds);
    http.UserAgent = SpiderAgent;
    http.ExecuteRequest("GET", PageUrl);
    const TextList& head = http.Headers();
    const bool responded = !head.Empty() && StartsWith(UpperAscii(head[0]), "HTTP/");
    const std::int32_t error = http.Sock().LastErrorCode();
    if (!responded || error == SE_BadFraming || error == SE_MessageTooLong)
        return SpiderView::Unreachable;
    const Text page = TextList::TextFormOf({ receivedBody(http.Document()) });
    std::size_t matchOffset = 0;
    const bool spiderFound = pageHoldsQuery(page, matchOffset) != QueryMatch::None;
    if (spiderFound == m_queryFound)
        return SpiderView::Same;
    return m_queryFound ? SpiderView::Hidden : SpiderView::Only;
}

// Takes the client's response head and page text; gives the number of body bytes.
std::int64_t Temu::takeExchange(THTTPSend& http)
{
    // The client is freed right after: its header list is taken over, and its
    // body freed as soon as the page text holds it.
    HeaderLines = std::move(http.Headers());
    const std::string_view body = receivedBody(http.Document());
    const auto bodyBytes = static_cast<std::int64_t>(body.size());
    PageLines = TextList::TextFormOf({ body });
    http.Document().Clear();
    RequestLines.Add("GET " + PageUrl + " HTTP/" + http.Protocol + "           [ " + " ]");
    RequestLines.Add("Accept: " + http.UserAccept);
    RequestLines.Add("Accept-Language: " + http.UserLanguage);
    RequestLines.Add("User-Agent: " + http.UserAgent);
    RequestLines.Add("Host: " + http.UserHost);
    RequestLines.Add("Connection: Keep-Alive");
    return bodyBytes;
}

// The one place the outcome is made: from the exchange the client has just
// ended and the search of the page text it gave.
void Temu::judgeExchange(THTTPSend& http, bool exchanged, std::int64_t bodyBytes)
{
    CheckOutcome outcome;
    const bool responded = !HeaderLines.Empty() && StartsWith(UpperAscii(HeaderLines[0]), "HTTP/");
    if (responded) {
        outcome.status = http.ResultCode();
        outcome.reasonPhrase = CappedOutcomeText(http.ResultString());
        if (outcome.status >= 300 && outcome.status < 400)
            outcome.location = CappedOutcomeText(headerValue(HeaderLines, "location"));
        if (outcome.status == 429 || outcome.status >= 500)
            outcome.retryAfter = CappedOutcomeText(headerValue(HeaderLines, "retry-after"));
    }
    // Without a status line the client took the answer's first line for the
    // body's and ended it with a CR LF of its own.
    outcome.bytes = responded ? bodyBytes : std::max<std::int64_t>(bodyBytes - 2, 0);
    // A body that runs to the connection's end leaves the end's code behind
    // on a successful exchange: the code tells only of a failed exchange, or
    // of an answer that ended before anything came.
    const bool nothingCame = !responded && outcome.bytes == 0;
    if ((!exchanged || nothingCame) && http.Sock().LastErrorCode() != 0) {
        outcome.error = http.Sock().LastErrorCode();
        outcome.errorText = CappedOutcomeText(http.Sock().LastErrorText());
    }
    readPage(outcome, responded);
    // A response whose frame the client could not follow (a broken length
    // or chunk size, a head beyond bounds) tells nothing of the page: it
    // counts as unreachable, never as a page without the link.
    const bool brokenFrame = outcome.error == SE_BadFraming || outcome.error == SE_MessageTooLong;
    if (outcome.match != QueryMatch::None)
        outcome.kind = CheckOutcomeKind::Found;
    else
        outcome.kind = responded && !brokenFrame ? CheckOutcomeKind::Missing : CheckOutcomeKind::Unreachable;
    outcome.ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_requestStart)
                     .count();
    m_outcome = std::move(outcome);
}

// What the page text and the response head tell of the query's link: where
// the query is and the rel of its link, or a link in another form; and the
// page's directives to search engines.
void Temu::readPage(CheckOutcome& outcome, bool responded) const
{
    std::size_t matchOffset = 0;
    outcome.match = pageHoldsQuery(PageLines, matchOffset);
    const Text utf8Query = outcome.match == QueryMatch::Utf8 ? GbkToUtf8(QueryText) : Text();
    MarkupQuery query { QueryText, {}, PageUrl, outcome.match == QueryMatch::Utf8 };
    if (outcome.match != QueryMatch::None)
        query.found
            = outcome.match == QueryMatch::Utf8 ? std::string_view(utf8Query) : std::string_view(QueryText);
    query.utf8 = query.utf8 || (responded && NamesUtf8(headerValue(HeaderLines, "content-type")));
    PageMarkup markup = ReadPageMarkup(PageLines, query);
    // A link written inside a comment, a script, a style sheet or a text box is no link of the page.
    const bool inMarkup = markup.placement == LinkPlacement::Comment
        || markup.placement == LinkPlacement::Script || markup.placement == LinkPlacement::Style
        || markup.placement == LinkPlacement::TextArea;
    if (markup.matchOffset != std::string_view::npos && !inMarkup)
        outcome.rel = LinkRelOfMatch(PageLines, markup.matchOffset);
    if (responded)
        markup.robots.AddResponseHead(HeaderLines);
    outcome.near = std::move(markup.near);
    outcome.nearDifference = std::move(markup.nearDifference);
    outcome.robots = markup.robots.Result();
    outcome.placement = markup.placement;
    outcome.href = std::move(markup.href);
    outcome.anchor = std::move(markup.anchor);
    outcome.links = markup.links;
    outcome.canonical = std::move(markup.canonical);
    outcome.outbound = markup.outbound;
    outcome.outboundHosts = markup.outboundHosts;
    outcome.outboundNofollow = markup.outboundNofollow;
    if (responded)
        outcome.page = seenPage(markup, outcome.status);
}

void Temu::PublishTranscript(int Row)
{
    // The selected row is read at the moment of publishing; the window may
    // have moved it while the fetch was in flight.
    if (Row != m_window->selectedDebugRow())
        return;
    // The page text is let go once the transcript holds it, before the
    // window takes its own copy.
    TranscriptLines = transcriptText(shownPageLimit);
    release(PageLines);
    m_window->setDebugText(TranscriptLines);
}

// The transcript the row keeps: the request and header lines come first and
// the page text gets the room they leave under the limit. Only a header block
// of its own near the limit is cut with them, at the limit.
Text Temu::keptTranscript() const
{
    // Room for the empty lines around the parts and for the notice of a cut page.
    constexpr std::size_t frameRoom = 128;
    const std::size_t headSize = textSize(RequestLines) + textSize(HeaderLines) + frameRoom;
    const std::size_t pageLimit
        = headSize < keptTranscriptLimit / 2 ? keptTranscriptLimit - headSize : keptTranscriptLimit / 2;
    return cutTranscript(transcriptText(pageLimit), keptTranscriptLimit);
}

// The transcript with the page text cut at pageLimit. The pieces are split
// and joined as one text, without joining them first: only the page text is
// large.
Text Temu::transcriptText(std::size_t pageLimit) const
{
    const std::string_view page
        = std::string_view(PageLines).substr(0, shownPageLength(PageLines, pageLimit));
    Text hidden;
    if (page.size() < PageLines.size())
        hidden = (page.ends_with(crLf) ? "" : crLf) + hiddenPageNotice(PageLines.size() - page.size()) + crLf;
    return TextList::TextFormOf({ TranscriptLines, crLf, RequestLines.GetText(), crLf, crLf,
        HeaderLines.GetText(), crLf, crLf, page, hidden, crLf });
}

void Temu::WriteResult(int Row, const Text& Value) { m_window->writeResult(Row, Value); }

// Which form of the query the page text holds, and where its first match starts.
QueryMatch Temu::pageHoldsQuery(const Text& page, std::size_t& matchOffset) const
{
    // The joined lines, not the raw body: a NUL has cut the text and every
    // line break is CR LF now.
    if (QueryText.empty())
        return QueryMatch::None;
    matchOffset = FindBytes(page, QueryText);
    if (matchOffset != Text::npos)
        return QueryMatch::Gbk;
    // A Chinese query is kept in GBK, but many pages are served in UTF-8;
    // give such a query a second chance in that encoding.
    if (!holdsHighByte(QueryText))
        return QueryMatch::None;
    matchOffset = FindBytes(page, GbkToUtf8(QueryText));
    return matchOffset != Text::npos ? QueryMatch::Utf8 : QueryMatch::None;
}
