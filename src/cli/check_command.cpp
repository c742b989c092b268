#include "cli/check_command.h"

#include "app/link_check_recorder.h"
#include "app/link_check_worker.h"
#include "app/result_grid_layout.h"
#include "base/gbk_codec.h"
#include "cli/route_settings.h"
#include "net/http_text.h"

#include <ostream>

namespace {

constexpr int resultRow = FirstResultRow;

void printLines(const Text& text, std::ostream& out)
{
    TextList lines;
    lines.SetText(text);
    for (const Text& line : lines.Lines())
        out << GbkToUtf8(line) << '\n';
}

}

int runCheck(const CheckArguments& arguments, std::ostream& out)
{
    auto recorder = std::make_shared<LinkCheckRecorder>(arguments.transcript ? resultRow : NoDebugRow);
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = TrimControls(Utf8ToGbk(arguments.url));
    worker->QueryText = TrimControls(Utf8ToGbk(arguments.query));
    worker->ResultRow = resultRow;
    if (arguments.noDelay)
        worker->setPauseLength(std::chrono::milliseconds(0));
    worker->PrepareClient = [arguments](THTTPSend& http) {
        applyRoute(http, arguments.proxyHost, arguments.proxyPort, arguments.socks);
    };
    // The notice holds the recorder by plain pointer: once it is given, the
    // exiting worker thread owns nothing of ours, so the process may end at once.
    Temu::Start(std::move(worker), [notice = recorder.get()] { notice->noteWorkerFreed(); });
    recorder->waitForFreedWorkers(1);

    if (arguments.transcript)
        printLines(recorder->debugText(), out);
    const Text verdict = recorder->resultOf(resultRow);
    out << GbkToUtf8(verdict) << '\n';
    out.flush();
    return verdict == verdictFound ? 0 : 1;
}
