#include "cli/check_command.h"

#include "base/gbk_codec.h"
#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "check/robots_txt_cache.h"
#include "check/verdict_texts.h"
#include "cli/control_bytes.h"
#include "cli/result_table.h"
#include "cli/route_settings.h"
#include "net/http_text.h"

#include <ostream>

namespace {

// A single check fills the one row a recorder gives it, numbered as a run numbers its first.
constexpr int resultRow = 1;

// The transcript holds the partner's header lines and page: their control
// bytes are written out, tabs excepted.
void printLines(const Text& text, OutputEncoding encoding, std::ostream& out)
{
    TextList lines;
    lines.SetText(text);
    for (const Text& line : lines.Lines())
        out << defusedText(encodedText(line, encoding), ControlBytes::Escaped, "\t") << '\n';
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
    if (arguments.report.waitLimitMs)
        worker->setWaitLimit(std::chrono::milliseconds(*arguments.report.waitLimitMs));
    const auto route = [arguments](THTTPSend& http) {
        applyRoute(http, arguments.proxyHost, arguments.proxyPort, arguments.socks);
    };
    worker->PrepareClient = route;
    worker->SpiderAgent = arguments.spiderAgent;
    // robots.txt goes the page's route, each receive waiting as the page's does.
    if (!arguments.noRobotsTxt) {
        RobotsTxtClient client { route };
        if (arguments.report.waitLimitMs)
            client.waitMs = *arguments.report.waitLimitMs;
        worker->RobotsTxtAnswers = std::make_shared<RobotsTxtCache>(std::move(client));
    }
    // The notice holds the recorder by plain pointer: once it is given, the
    // exiting worker thread owns nothing of ours, so the process may end at once.
    Temu::Start(std::move(worker), [notice = recorder.get()] { notice->noteWorkerFreed(); });
    recorder->waitForFreedWorkers(1);

    const SiteResult result { resultRow, {}, Utf8ToGbk(arguments.url), recorder->resultOf(resultRow),
        recorder->outcomeOf(resultRow) };
    const OutputEncoding encoding = arguments.report.encoding;
    if (arguments.report.format == OutputFormat::Text) {
        if (arguments.transcript)
            printLines(recorder->debugText(), encoding, out);
        out << encodedText(result.verdict, encoding) << '\n';
    } else {
        writeResultTable({ result }, arguments.report.format, encoding, out);
    }
    out.flush();
    return resultsExitStatus({ result }, arguments.failOn);
}
