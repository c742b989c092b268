#include "cli/run_command.h"

#include "app/active_sites.h"
#include "app/link_check_recorder.h"
#include "app/link_check_worker.h"
#include "app/site_list_texts.h"
#include "base/data_folder.h"
#include "base/gbk_codec.h"
#include "grid/cell_store.h"
#include "grid/grid_file.h"
#include "net/http_text.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr int readFailure = 2;
constexpr int noDebugRow = -10;
constexpr auto startSpacing = std::chrono::milliseconds(20);

struct ActiveEntry {
    int runNumber;
    Text name;
    Text address;
};

// A store of the site list grid's shape: four columns, one title row, and
// only the data rows in the file.
CellStore siteListStore()
{
    CellStore store;
    store.SetColCount(4);
    store.SetRowCount(5);
    store.SetFixedCols(0);
    store.SetFixedRows(1);
    store.StoreFixedCells = false;
    return store;
}

std::vector<ActiveEntry> startWorkers(
    const CellStore& list, bool noDelay, const std::shared_ptr<LinkCheckRecorder>& recorder)
{
    std::vector<ActiveEntry> entries;
    for (const ActiveSite& site : ActiveSites(list)) {
        const int n = static_cast<int>(entries.size()) + 1;
        entries.push_back({ n, site.name, site.address });
        auto worker = std::make_unique<Temu>(recorder);
        worker->PageUrl = TrimControls(site.address);
        worker->QueryText = TrimControls(site.query);
        if (noDelay)
            worker->setPauseLength(std::chrono::milliseconds(0));
        std::this_thread::sleep_for(startSpacing);
        worker->ResultRow = n;
        // A plain pointer: once the notice is given the exiting thread owns nothing of ours.
        Temu::Start(std::move(worker), [notice = recorder.get()] { notice->noteWorkerFreed(); });
    }
    return entries;
}

// A name or address may hold line breaks or tabs; they become blanks so
// that every entry stays one line of four fields.
std::string field(const Text& text)
{
    std::string shown = GbkToUtf8(text);
    for (char& c : shown) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    }
    return shown;
}

// FILE relative to --dir when that is given, else as given. Without FILE,
// the list of the folder the window works in: the current folder, or the
// user's data folder when started from the home folder or an unwritable one.
Text siteListFile(const RunArguments& arguments)
{
    const std::string defaultName = GbkToUtf8(SiteListFileName);
    const std::string name = arguments.file.empty() ? defaultName : arguments.file;
    if (!arguments.folder.empty())
        return Utf8ToGbk((std::filesystem::path(arguments.folder) / name).string());
    if (!arguments.file.empty())
        return Utf8ToGbk(arguments.file);
    const DataFolder folder = chooseDataFolder(probeDataFolderFacts({}, defaultName));
    if (folder.origin == DataFolderOrigin::Current)
        return SiteListFileName;
    return Utf8ToGbk((folder.path / defaultName).string());
}

}

int runSiteList(const RunArguments& arguments, std::ostream& out, std::ostream& err)
{
    const Text fileName = siteListFile(arguments);
    CellStore list = siteListStore();
    GridLoadReport loaded;
    try {
        loaded = LoadFromFile(list, fileName);
    } catch (const std::exception& error) {
        err << GbkToUtf8(error.what()) << '\n';
        return readFailure;
    }
    if (loaded.skippedCellLines > 0)
        err << GbkToUtf8(fileName) << ": " << loaded.skippedCellLines
            << " cell lines skipped: they lie outside the list's size line\n";

    auto recorder = std::make_shared<LinkCheckRecorder>(noDebugRow);
    const std::vector<ActiveEntry> entries = startWorkers(list, arguments.noDelay, recorder);
    recorder->waitForFreedWorkers(static_cast<int>(entries.size()));

    bool allFound = true;
    for (const ActiveEntry& entry : entries) {
        const Text verdict = recorder->resultOf(entry.runNumber);
        allFound = allFound && verdict == verdictFound;
        out << entry.runNumber << '\t' << field(entry.name) << '\t' << field(entry.address) << '\t'
            << field(verdict) << '\n';
    }
    out.flush();
    return allFound ? 0 : 1;
}
