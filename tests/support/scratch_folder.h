#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes. Entered, it is also the current directory
// until then, as the programs run in the folder that holds their site list.
class ScratchFolder
{
public:
    enum class Enter { No, Yes };

    explicit ScratchFolder(const std::string& prefix, Enter enter = Enter::No);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};
