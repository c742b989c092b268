#include "history/listed_own_pages.h"

#include "base/gbk_codec.h"
#include "history/history_store.h"

#include <filesystem>

std::vector<std::string> ListedOwnPages(const std::string& databasePath, const std::string& listKey)
{
    std::error_code error;
    if (!std::filesystem::exists(databasePath, error) && !error)
        return {};
    return HistoryStore(databasePath, HistoryStore::Access::ReadOnly).OwnPages(listKey);
}

std::vector<Text> FetchedForms(const std::vector<std::string>& ownPages)
{
    std::vector<Text> forms;
    forms.reserve(ownPages.size());
    for (const std::string& page : ownPages)
        forms.push_back(Utf8ToGbk(page));
    return forms;
}
