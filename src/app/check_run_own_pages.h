#pragma once

#include "app/gui_handoff.h"
#include "check/own_page_fetch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The operator's own pages in the window's check runs: each run reads the
// list's own pages from its history database and fetches each once, on a
// thread of its own (ReadOwnPages: workers like the partners', never the
// window's thread, no result row). What they link comes back to the GUI
// thread through the check run's handoff, so that it is dropped once the
// handoff is gone; until then the run's partners wait for their back link.
//
// Thread: GUI thread; the reading and the fetches run on theirs. Nothing
// blocks; a database that cannot be read counts as a list without own pages.
class CheckRunOwnPages
{
public:
    // Called on the GUI thread with a run's links (null when the list has no
    // own pages); hands them to Arrive. It must outlive the handoff.
    using Arrived = std::function<void(std::uint64_t generation, std::shared_ptr<const OwnPagesRead> read)>;

    // databasePath and listFile: absolute file-system paths (UTF-8).
    CheckRunOwnPages(std::string databasePath, std::string listFile,
        std::shared_ptr<GuiHandoff::Channel> channel, Arrived arrived);

    // Starts reading the own pages of run generation; what an earlier run
    // still reads is dropped when it comes.
    void BeginRun(std::uint64_t generation);
    // Whether run generation's own pages are still being read.
    bool Pending(std::uint64_t generation) const { return m_pending && generation == m_generation; }
    // Generation's links once they came; null while pending, for another
    // run, or when the list has no own pages.
    const OwnPagesRead* Read(std::uint64_t generation) const
    {
        return generation == m_generation ? m_read.get() : nullptr;
    }

    // Keeps read when it is the current run's, and says whether it was.
    bool Arrive(std::uint64_t generation, std::shared_ptr<const OwnPagesRead> read);

private:
    const std::string m_databasePath;
    const std::string m_listFile;
    std::shared_ptr<GuiHandoff::Channel> m_channel;
    Arrived m_arrived;
    std::uint64_t m_generation = 0;
    bool m_pending = false;
    std::shared_ptr<const OwnPagesRead> m_read;
};

// The status bar's message after a run with own pages, GBK: "单向链接 N 个".
Text OneSidedNotice(int oneSided);
