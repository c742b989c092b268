#include "cli/run_command.h"

#include "app/active_sites.h"
#include "app/link_check_recorder.h"
#include "app/link_check_worker.h"
#include "app/result_grid_layout.h"
#include "app/site_list_layout.h"
#include "app/site_list_texts.h"
#include "base/data_folder.h"
#include "base/gbk_codec.h"
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

struct ActiveEntry {
    int runNumber;
    Text name;
    Text address;
};

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
