#include "support/scratch_folder.h"

#include <cstdlib>

ScratchFolder::ScratchFolder(const std::string& prefix, Enter enter)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    m_path = pattern;
    if (enter == Enter::Yes) {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    if (!m_previous.empty())
        std::filesystem::current_path(m_previous, ignored);
    if (m_path.empty())
        return;
    // A test may have taken the owner's rights away to make a save fail.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_path, ignored);
}
