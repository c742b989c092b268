#include "app/check_run_own_pages.h"

#include "history/history_error.h"
#include "history/listed_own_pages.h"

#include <thread>

namespace {

// The list's own pages as fetched (GBK); none when the database is missing or unreadable.
std::vector<Text> ownPagesOf(const std::string& databasePath, const std::string& listFile)
{
    try {
        return FetchedForms(ListedOwnPages(databasePath, listFile));
    } catch (const HistoryError&) {
        return {};
    }
}

}

CheckRunOwnPages::CheckRunOwnPages(std::string databasePath, std::string listFile,
    std::shared_ptr<GuiHandoff::Channel> channel, Arrived arrived)
    : m_databasePath(std::move(databasePath))
    , m_listFile(std::move(listFile))
    , m_channel(std::move(channel))
    , m_arrived(std::move(arrived))
{
}

void CheckRunOwnPages::BeginRun(std::uint64_t generation)
{
    m_generation = generation;
    m_pending = true;
    m_read.reset();
    // Detached: it holds nothing of this object, and the channel drops its call once the handoff is gone.
    std::thread([arrived = m_arrived, channel = m_channel, database = m_databasePath, list = m_listFile,
                    generation] {
        const std::vector<Text> pages = ownPagesOf(database, list);
        std::shared_ptr<const OwnPagesRead> read;
        if (!pages.empty())
            read = std::make_shared<const OwnPagesRead>(ReadOwnPages(pages, {}));
        channel->Post([arrived, generation, read] { arrived(generation, read); });
    }).detach();
}

bool CheckRunOwnPages::Arrive(std::uint64_t generation, std::shared_ptr<const OwnPagesRead> read)
{
    if (generation != m_generation)
        return false;
    m_pending = false;
    m_read = std::move(read);
    return true;
}

Text OneSidedNotice(int oneSided)
{
    return "\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3 " + std::to_string(oneSided) + " \xB8\xF6"; // 单向链接 N 个
}
