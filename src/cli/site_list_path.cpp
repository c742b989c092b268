#include "cli/site_list_path.h"

#include "check/site_list_texts.h"
#include "base/data_folder.h"
#include "base/gbk_codec.h"
#include "history/history_store.h"

#include <filesystem>

std::string siteListPath(const std::string& folder, const std::string& file)
{
    const std::string defaultName = GbkToUtf8(SiteListFileName);
    const std::string name = file.empty() ? defaultName : file;
    if (!folder.empty())
        return (std::filesystem::path(folder) / name).string();
    if (!file.empty())
        return file;
    const DataFolder chosen = chooseDataFolder(probeDataFolderFacts({}, defaultName));
    if (chosen.origin == DataFolderOrigin::Current)
        return defaultName;
    return (chosen.path / defaultName).string();
}

std::string listFileKey(const std::string& listPath)
{
    std::error_code ignored;
    // absolute fails only when the current folder is gone; the path as given is then the best key left.
    const std::filesystem::path absolute = std::filesystem::absolute(listPath, ignored);
    const std::filesystem::path path
        = (absolute.empty() ? std::filesystem::path(listPath) : absolute).lexically_normal();
    const std::filesystem::path folder = std::filesystem::weakly_canonical(path.parent_path(), ignored);
    return (folder.empty() ? path : folder / path.filename()).string();
}

std::string historyDatabasePath(const std::string& givenDatabase, const std::string& listKey)
{
    if (!givenDatabase.empty())
        return givenDatabase;
    return (std::filesystem::path(listKey).parent_path() / HistoryFileName).string();
}
