#include "app/link_check_worker.h"

#include "app/fetch_slots.h"
#include "base/gbk_codec.h"
#include "net/http_send.h"
#include "net/tcp_block_socket.h"

#include <algorithm>
#include <string_view>
#include <thread>

namespace {

constexpr char acceptText[]
    = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
      "application/msword, application/x-shockwave-flash, */*";
constexpr char crLf[] = "\r\n";
// A partner server may stream without end; these bound what one fetch holds:
// one status, header or chunk-size line, and the body.
constexpr std::int32_t maxLineLength = 1 << 20;
constexpr std::int64_t maxBodySize = std::int64_t { 64 } << 20;
// The code of a socket or resolver call that found no descriptor free.
constexpr std::int32_t codeTooManyOpenFiles = 10024;
// The debug window shows at most this much page text, so that a huge page
// neither stalls the window nor fills memory with its layout; the verdict
// still searches the whole page.
constexpr std::size_t shownPageLimit = std::size_t { 4 } << 20;

// Gives the memory of text back, not just its length.
void release(Text& text) { Text().swap(text); }

bool holdsHighByte(const Text& value)
{
    return std::any_of(
        value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool isGbkLeadByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

// How much of the page text the transcript shows: all of it when it fits;
// else up to the last line break within the limit, unless that would leave
// out more than half of it, in which case the last line is cut at the limit
// without splitting a GBK double-byte character.
std::size_t shownPageLength(std::string_view page)
{
    if (page.size() <= shownPageLimit)
        return page.size();
    const std::size_t lineBreak = page.rfind(crLf, shownPageLimit - 2);
    const std::size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 2;
    if (lineStart >= shownPageLimit / 2)
        return lineStart;
    std::size_t cut = lineStart;
    for (std::size_t next = cut; next <= shownPageLimit; next += isGbkLeadByte(page[next]) ? 2 : 1)
        cut = next;
    return cut;
}

// "……（页面另有 N 字节未显示）": the page had N more bytes than shown.
Text hiddenPageNotice(std::size_t hiddenBytes)
{
    return "\xA1\xAD\xA1\xAD\xA3\xA8\xD2\xB3\xC3\xE6\xC1\xED\xD3\xD0 " + std::to_string(hiddenBytes)
        + " \xD7\xD6\xBD\xDA\xCE\xB4\xCF\xD4\xCA\xBE\xA3\xA9";
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
    PauseBeforeRequest(10);
    RequestLines.Clear();
    HeaderLines.Clear();
    release(PageLines);
    release(TranscriptLines);
    Agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
    Language = "en";
    ProtocolVersion = "1.1";
    WriteResult(ResultRow, verdictTesting);
    FetchPage(50);
    WriteResult(ResultRow, m_queryFound ? verdictFound : verdictNotFound);
    RequestLines.Clear();
    HeaderLines.Clear();
    release(PageLines);
    release(TranscriptLines);
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
        THTTPSend http;
        prepareFetch(http, TimeoutSeconds);
        http.ExecuteRequest("GET", PageUrl);
        fetched = http.Sock().LastErrorCode() != codeTooManyOpenFiles || !FetchSlots::Process().RanShort();
        if (fetched)
            takeExchange(http);
    }
    // Judged now, while the page text is the worker's own: publishing hands
    // its memory over to the transcript. The verdict is still written last.
    m_queryFound = pageHoldsQuery();
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
    if (!Agent.empty())
        http.UserAgent = Agent;
    if (!Language.empty())
        http.UserLanguage = Language;
    if (!ProtocolVersion.empty())
        http.Protocol = ProtocolVersion;
    if (PrepareClient)
        PrepareClient(http);
}

void Temu::takeExchange(THTTPSend& http)
{
    // The client is freed right after: its header list is taken over, and its
    // body freed as soon as the page text holds it.
    HeaderLines = std::move(http.Headers());
    MemoryStream& document = http.Document();
    const std::int64_t from = std::min(document.Position(), document.Size());
    PageLines = TextList::TextFormOf(
        { std::string_view(document.Data() + from, static_cast<std::size_t>(document.Size() - from)) });
    document.Clear();
    RequestLines.Add("GET " + PageUrl + " HTTP/" + http.Protocol + "           [ " + " ]");
    RequestLines.Add("Accept: " + http.UserAccept);
    RequestLines.Add("Accept-Language: " + http.UserLanguage);
    RequestLines.Add("User-Agent: " + http.UserAgent);
    RequestLines.Add("Host: " + http.UserHost);
    RequestLines.Add("Connection: Keep-Alive");
}

void Temu::PublishTranscript(int Row)
{
    // The selected row is read at the moment of publishing; the window may
    // have moved it while the fetch was in flight.
    if (Row != m_window->selectedDebugRow())
        return;
    // The pieces are split and joined as one text, without joining them
    // first; only the page text is large, and it is let go once the
    // transcript holds it, before the window takes its own copy.
    const std::string_view page = std::string_view(PageLines).substr(0, shownPageLength(PageLines));
    Text hidden;
    if (page.size() < PageLines.size())
        hidden = (page.ends_with(crLf) ? "" : crLf) + hiddenPageNotice(PageLines.size() - page.size()) + crLf;
    TranscriptLines = TextList::TextFormOf({ TranscriptLines, crLf, RequestLines.GetText(), crLf, crLf,
        HeaderLines.GetText(), crLf, crLf, page, hidden, crLf });
    release(PageLines);
    m_window->setDebugText(TranscriptLines);
}

void Temu::WriteResult(int Row, const Text& Value) { m_window->writeResult(Row, Value); }

bool Temu::pageHoldsQuery() const
{
    // The joined lines, not the raw body: a NUL has cut the text and every
    // line break is CR LF now.
    if (QueryText.empty())
        return false;
    if (PageLines.find(QueryText) != Text::npos)
        return true;
    // A Chinese query is kept in GBK, but many pages are served in UTF-8;
    // give such a query a second chance in that encoding.
    if (!holdsHighByte(QueryText))
        return false;
    return PageLines.find(GbkToUtf8(QueryText)) != Text::npos;
}
