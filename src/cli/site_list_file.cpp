#include "cli/site_list_file.h"

#include "base/gbk_codec.h"
#include "grid_store/cell_store.h"
#include "grid_store/grid_file.h"

#include <fcntl.h>
#include <ostream>
#include <stdexcept>
#include <unistd.h>

namespace {

// The list's file, opened by the very bytes of its name. The grid
// reader takes a GBK name and hands the file system its UTF-8 form, which a
// name that is not valid UTF-8, or holds a character GBK lacks, would not
// survive; the open file's own name is plain ASCII, which both keep. A pipe
// or a device opens at once, for the reader to refuse.
class GivenFile
{
public:
    explicit GivenFile(const std::string& name)
        : m_descriptor(name.empty() ? -1 : open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))
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

bool loadList(const std::string& shownName, CellStore& list, std::ostream& err)
{
    const GivenFile given(shownName);
    const Text fileName = given.ReaderName();
    GridLoadReport loaded;
    try {
        loaded = LoadFromFile(list, fileName);
    } catch (const std::exception& error) {
        err << inUserTerms(GbkToUtf8(error.what()), GbkToUtf8(fileName), shownName) << '\n';
        return false;
    }
    if (loaded.skippedCellLines > 0)
        err << shownName << ": " << loaded.skippedCellLines
            << " cell lines skipped: they lie outside the list's size line\n";
    return true;
}
