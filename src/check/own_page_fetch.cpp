#include "check/own_page_fetch.h"

#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "net/http_text.h"

#include <memory>
#include <mutex>

namespace {

// The links read so far, shared by the workers' threads.
struct SharedLinks {
    std::mutex mutex;
    OwnPageLinks links;
};

bool readable(const CheckOutcome& outcome)
{
    return outcome.kind != CheckOutcomeKind::Unreachable && outcome.status >= 200 && outcome.status < 300;
}

}

OwnPagesRead ReadOwnPages(const std::vector<Text>& addresses, const OwnPageFetchSettings& settings)
{
    auto recorder = std::make_shared<LinkCheckRecorder>();
    auto shared = std::make_shared<SharedLinks>();
    for (std::size_t page = 0; page < addresses.size(); ++page) {
        auto worker = std::make_unique<Temu>(recorder);
        worker->PageUrl = TrimControls(addresses[page]);
        worker->ResultRow = static_cast<int>(page) + 1;
        if (settings.noDelay)
            worker->setPauseLength(std::chrono::milliseconds(0));
        worker->setWaitLimit(settings.waitLimit);
        worker->PrepareClient = settings.prepareClient;
        worker->ReadPage
            = [shared, url = worker->PageUrl](const CheckOutcome& outcome, std::string_view text, bool utf8) {
                  if (!readable(outcome))
                      return;
                  const std::lock_guard lock(shared->mutex);
                  shared->links.Read(text, url, utf8);
              };
        Temu::Start(std::move(worker), [notice = recorder.get()] { notice->noteWorkerFreed(); });
    }
    recorder->waitForFreedWorkers(static_cast<int>(addresses.size()));

    OwnPagesRead read { std::move(shared->links), {} };
    for (std::size_t page = 0; page < addresses.size(); ++page) {
        const std::optional<CheckOutcome> outcome = recorder->outcomeOf(static_cast<int>(page) + 1);
        if (outcome && readable(*outcome))
            continue;
        read.links.MarkUnread();
        read.faults.push_back(TrimControls(addresses[page]) + ": "
            + (outcome ? OutcomeReason(*outcome) : Text("\xCE\xB4\xCD\xEA\xB3\xC9"))); // 未完成
    }
    return read;
}
