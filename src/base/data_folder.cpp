#include "base/data_folder.h"

#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The XDG base directory rules ignore a relative XDG_DATA_HOME.
fs::path dataHome(const DataFolderFacts& facts)
{
    if (!facts.xdgDataHome.empty() && fs::path(facts.xdgDataHome).is_absolute())
        return fs::path(facts.xdgDataHome) / "linkwatch";
    if (!facts.home.empty())
        return fs::path(facts.home) / ".local" / "share" / "linkwatch";
    return {};
}

}

DataFolder chooseDataFolder(const DataFolderFacts& facts)
{
    if (!facts.given.empty())
        return { facts.current / facts.given, DataFolderOrigin::Given };
    const DataFolder current { facts.current, DataFolderOrigin::Current };
    if (facts.currentHoldsDataFile || (!facts.currentIsHome && facts.currentWritable))
        return current;
    const fs::path home = dataHome(facts);
    return home.empty() ? current : DataFolder { home, DataFolderOrigin::DataHome };
}

DataFolderFacts probeDataFolderFacts(const fs::path& given, const std::string& dataFileName)
{
    DataFolderFacts facts;
    facts.given = given;
    facts.xdgDataHome = environment("XDG_DATA_HOME");
    facts.home = environment("HOME");
    std::error_code error;
    facts.current = fs::current_path(error);
    if (error) {
        facts.current.clear();
        facts.currentWritable = false;
        return facts;
    }
    facts.currentHoldsDataFile = fs::exists(facts.current / dataFileName, error);
    facts.currentIsHome = !facts.home.empty() && fs::equivalent(facts.current, facts.home, error);
    // Permission bits alone would misjudge read-only mounts and ACLs.
    facts.currentWritable = ::access(facts.current.c_str(), W_OK) == 0;
    return facts;
}

std::string enterDataFolder(
    const DataFolder& folder, const std::string& dataFileName, const fs::path& seedFile)
{
    std::error_code error;
    if (folder.origin != DataFolderOrigin::Current) {
        fs::create_directories(folder.path, error);
        if (error)
            return "cannot create the folder " + folder.path.string() + ": " + error.message();
        // A folder without a seed (a build tree run from elsewhere) is entered empty.
        std::error_code ignored;
        const fs::path dataFile = folder.path / dataFileName;
        if (!seedFile.empty() && fs::is_regular_file(seedFile, ignored) && !fs::exists(dataFile, ignored)) {
            fs::copy_file(seedFile, dataFile, fs::copy_options::skip_existing, error);
            if (error)
                return "cannot copy the example site list to " + dataFile.string() + ": " + error.message();
        }
    }
    fs::current_path(folder.path, error);
    if (error)
        return "cannot enter the folder " + folder.path.string() + ": " + error.message();
    return {};
}
