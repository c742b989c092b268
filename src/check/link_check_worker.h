#pragma once

#include "base/text.h"
#include "base/text_list.h"
#include "check/check_outcome.h"
#include "check/large_page_slots.h"
#include "check/link_check_window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

class RobotsTxtCache;
class THTTPSend;

// The link check worker: fetches one page with one GET, looks for the query
// text in the body and writes the verdict (verdict_texts.h) into its
// result row.
//
// Lifecycle: created suspended; the creator fills PageUrl, QueryText and
// ResultRow and hands the object to Start, which runs Execute on a detached
// thread of its own and frees the object when Execute returns. Nothing can
// cancel a started worker.
// Blocking: Execute waits the start delay (eleven pauses, 1.1 s by default),
// then for a free fetch slot while the process's budget of descriptors is
// in use (FetchSlots), then as long as the fetch takes; each receive waits at
// most 50 s.
// Errors: a failed fetch is not reported; the verdict follows from the search.
// An exception escaping the fetch ends the worker without a verdict.
// Output goes only through the window, whose calls hand each change to the
// window's own thread in the order issued. Right after the verdict the worker
// hands the window the fetch's outcome (why it ended as it did, made from the
// one exchange) and the row's transcript, cut at 256 KiB of page text, which
// the window may keep for the row.
// When asked (SpiderAgent, RobotsTxtAnswers), the page is then fetched a
// second time as the spider and, when it answered, its site's robots.txt is
// asked of, before the verdict; each waits as a fetch does.
class Temu
{
public:
    explicit Temu(std::shared_ptr<LinkCheckWindow> window);
    Temu(const Temu&) = delete;
    Temu& operator=(const Temu&) = delete;

    // Runs worker->Execute on a new detached thread; the object is freed when
    // it returns, then whenFreed (if set) is called on that thread.
    static void Start(std::unique_ptr<Temu> worker, std::function<void()> whenFreed = {});

    // The length of each of the start delay's pauses; zero skips the delay.
    void setPauseLength(std::chrono::milliseconds length) { m_pauseLength = length; }
    // The whole start delay Execute waits before its request.
    std::chrono::milliseconds startDelay() const { return m_pauseLength * (startPauseCount + 1); }
    // Replaces the 50 s wait limit of each receive; zero keeps it.
    void setWaitLimit(std::chrono::milliseconds limit) { m_waitLimit = limit; }

    // The thread body; public so a caller may also run a worker in place.
    void Execute();

    Text PageUrl;
    Text QueryText;
    int ResultRow = 0;
    Text Agent;
    Text Language;
    Text ProtocolVersion;
    // Called with the HTTP client after the worker's own settings, just before
    // the request; lets a caller choose the route (proxy, SOCKS). Empty: none.
    std::function<void(THTTPSend&)> PrepareClient;
    // The spider's user agent: the page is fetched once more with it, every
    // other request byte the same, and the outcome's spider compares the
    // two. Empty: the spider is not asked.
    Text SpiderAgent;
    // The run's robots.txt files, asked of a page that answered; empty: not asked.
    std::shared_ptr<RobotsTxtCache> RobotsTxtAnswers;
    // Called on the worker's thread once the fetch's outcome is judged, with
    // the page text and whether the response names UTF-8, before the page
    // text is let go; lets a caller read the page further. Empty: none.
    std::function<void(const CheckOutcome&, std::string_view page, bool utf8)> ReadPage;

private:
    // The pause count Execute gives PauseBeforeRequest.
    static constexpr int startPauseCount = 10;

    void PauseBeforeRequest(int Count) const;
    void FetchPage(int TimeoutSeconds);
    SpiderView fetchAsSpider(int TimeoutSeconds);
    void prepareFetch(THTTPSend& http, int TimeoutSeconds);
    std::int64_t takeExchange(THTTPSend& http);
    void judgeExchange(THTTPSend& http, bool exchanged, std::int64_t bodyBytes);
    void readPage(CheckOutcome& outcome, bool responded) const;
    void PublishTranscript(int Row);
    Text keptTranscript() const;
    Text transcriptText(std::size_t pageLimit) const;
    void WriteResult(int Row, const Text& Value);
    QueryMatch pageHoldsQuery(const Text& page, std::size_t& matchOffset) const;

    std::shared_ptr<LinkCheckWindow> m_window;
    std::chrono::milliseconds m_pauseLength { 100 };
    std::chrono::milliseconds m_waitLimit { 0 };
    TextList RequestLines;
    TextList HeaderLines;
    // The page and the transcript are kept in their text form (every line
    // followed by CR LF), the only form the worker reads them in: a large
    // body then costs one copy of its bytes instead of a text per line.
    Text PageLines;
    Text TranscriptLines;
    // The verdict and the outcome, judged before the transcript takes over
    // the page text, and the transcript kept for the row.
    bool m_queryFound = false;
    CheckOutcome m_outcome;
    Text m_keptTranscript;
    // When the request of the fetch that counts began: after the start delay
    // and after the wait for a fetch slot.
    std::chrono::steady_clock::time_point m_requestStart;
    // Held from the moment the page grows beyond LargePageSlots::LargePageSize
    // until the worker has let go of its page text.
    std::unique_ptr<LargePageSlots::Slot> m_largePage;
};
