#include "cli/run_command.h"

#include "app/active_sites.h"
#include "app/link_check_recorder.h"
#include "app/link_check_worker.h"
#include "app/result_grid_layout.h"
#include "app/site_list_layout.h"
#include "app/site_list_texts.h"
#include "base/data_folder.h"
#include "base/gbk_codec.h"
#include "cli/result_table.h"
#include "grid/cell_store.h"
#include "grid/grid_file.h"
#include "net/http_text.h"

#include <fcntl.h>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int readFailure = 2;
constexpr auto startSpacing = std::chrono::milliseconds(20);

// Starts one worker per active entry, top to bottom, paced as the window
// paces them unless told not to. With a bound on the sites checked at once, a
// worker starts only while fewer than that many are running.
std::vector<SiteResult> startWorkers(
    const CellStore& list, const RunArguments& arguments, const std::shared_ptr<LinkCheckRecorder>& recorder)
{
    std::vector<SiteResult> results;
    for (const ActiveSite& site : ActiveSites(list)) {
        const int n = static_cast<int>(results.size()) + 1;
        results.push_back({ n, site.name, site.address, {}, std::nullopt });
        if (arguments.jobs && n > *arguments.jobs)
            recorder->waitForFreedWorkers(n - *arguments.jobs);
        auto worker = std::make_unique<Temu>(recorder);
        worker->PageUrl = TrimControls(site.address);
        worker->QueryText = TrimControls(site.query);
        if (arguments.noDelay)
            worker->setPauseLength(std::chrono::milliseconds(0));
        if (arguments.report.waitLimitMs)
            worker->setWaitLimit(std::chrono::milliseconds(*arguments.report.waitLimitMs));
        if (!arguments.noDelay)
            std::this_thread::sleep_for(startSpacing);
        worker->ResultRow = n;
        // A plain pointer: once the notice is given the exiting thread owns nothing of ours.
        Temu::Start(std::move(worker), [notice = recorder.get()] { notice->noteWorkerFreed(); });
    }
    return results;
}

// The file system's name of the list: FILE relative to --dir when that is
// given, else as given. Without FILE, the list of the folder the window works
// in: the current folder, or the user's data folder when started from the
// home folder or an unwritable one.
std::string siteListPath(const RunArguments& arguments)
{
    const std::string defaultName = GbkToUtf8(SiteListFileName);
    const std::string name = arguments.file.empty() ? defaultName : arguments.file;
    if (!arguments.folder.empty())
        return (std::filesystem::path(arguments.folder) / name).string();
    if (!arguments.file.empty())
        return arguments.file;
    const DataFolder folder = chooseDataFolder(probeDataFolderFacts({}, defaultName));
    if (folder.origin == DataFolderOrigin::Current)
        return defaultName;
    return (folder.path / defaultName).string();
}

// The list's file, opened by the very bytes of its name. The grid
// reader takes a GBK name and hands the file system its UTF-8 form, which a
// name that is not valid UTF-8, or holds a character GBK lacks, would not
// survive; the open file's own name is plain ASCII, which both keep.
class GivenFile
{
public:
    explicit GivenFile(const std::string& name)
        : m_descriptor(name.empty() ? -1 : open(name.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~GivenFile()
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    GivenFile(const GivenFile&) = delete;
    GivenFile& operator=(const GivenFile&) = delete;
    // Names no file when the open failed, so the reader fails as for a missing file.
    Text ReaderName() const { return "/proc/self/fd/" + std::to_string(m_descriptor); }

private:
    int m_descriptor;
};

// The reader's message names the file by the name the reader got.
std::string inUserTerms(std::string message, const std::string& readerName, const std::string& shownName)
{
    if (const auto at = message.find(readerName); at != std::string::npos)
        message.replace(at, readerName.size(), shownName);
    return message;
}

}

int runSiteList(const RunArguments& arguments, std::ostream& out, std::ostream& err)
{
    const std::string shownName = siteListPath(arguments);
    const GivenFile given(shownName);
    const Text fileName = given.ReaderName();
    CellStore list = SiteListStore();
    GridLoadReport loaded;
    try {
        loaded = LoadFromFile(list, fileName);
    } catch (const std::exception& error) {
        err << inUserTerms(GbkToUtf8(error.what()), GbkToUtf8(fileName), shownName) << '\n';
        return readFailure;
    }
    if (loaded.skippedCellLines > 0)
        err << shownName << ": " << loaded.skippedCellLines
            << " cell lines skipped: they lie outside the list's size line\n";

    auto recorder = std::make_shared<LinkCheckRecorder>(NoDebugRow);
    std::vector<SiteResult> results = startWorkers(list, arguments, recorder);
    recorder->waitForFreedWorkers(static_cast<int>(results.size()));
    for (SiteResult& result : results) {
        result.verdict = recorder->resultOf(result.n);
        result.outcome = recorder->outcomeOf(result.n);
    }
    writeResultTable(results, arguments.report.format, arguments.report.encoding, out);
    out.flush();
    return resultsExitStatus(results);
}
