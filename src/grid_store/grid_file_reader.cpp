#include "grid_store/grid_file_reader.h"

#include "base/gbk_codec.h"
#include "grid_store/grid_error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t readPiece = std::size_t { 1 } << 16;

// Closes the descriptor however the constructor ends.
struct OpenDescriptor {
    int descriptor;
    ~OpenDescriptor()
    {
        if (descriptor >= 0)
            close(descriptor);
    }
};

}

GridFileReader::GridFileReader(const Text& FileName)
    : m_fileName(FileName)
{
    const std::string name = GbkToUtf8(FileName);
    // Without waiting: a pipe without a writer, or a device, opens at once
    // and is refused below.
    const OpenDescriptor file { open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) };
    struct stat info {
    };
    // A directory opens for reading on this system but holds no lines; it
    // is refused like a missing file.
    if (file.descriptor < 0 || fstat(file.descriptor, &info) != 0 || S_ISDIR(info.st_mode))
        throw EGridError("Cannot open file " + FileName);
    // A pipe or a device may never end, or never begin.
    if (!S_ISREG(info.st_mode))
        throw EGridError("Cannot open file " + FileName + ": not a plain file");
    if (static_cast<std::size_t>(info.st_size) > SizeLimit)
        throw EGridError("Cannot read " + FileName + ": larger than 64 MiB");
    readAll(file.descriptor, static_cast<std::size_t>(info.st_size));
    checkLineLengths();
}

// Reads to the end of the file; a file that grew past the bound since its
// size was looked at is refused all the same.
void GridFileReader::readAll(int descriptor, std::size_t sizeHint)
{
    m_bytes.reserve(sizeHint);
    for (;;) {
        const std::size_t had = m_bytes.size();
        m_bytes.resize(had + readPiece);
        const ssize_t got = read(descriptor, m_bytes.data() + had, readPiece);
        m_bytes.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0)
            return;
        if (got < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "Cannot read " + m_fileName);
        if (m_bytes.size() > SizeLimit)
            throw EGridError("Cannot read " + m_fileName + ": larger than 64 MiB");
    }
}

void GridFileReader::checkLineLengths() const
{
    std::size_t start = 0;
    for (std::size_t number = 1; start < m_bytes.size(); ++number) {
        const std::size_t end = std::min(m_bytes.find('\n', start), m_bytes.size());
        if (end - start > LineLimit)
            throw EGridError(
                "Cannot read " + m_fileName + ": line " + std::to_string(number) + " longer than 16 MiB");
        start = end + 1;
    }
}

bool GridFileReader::ReadLine(Text& line)
{
    if (m_next >= m_bytes.size())
        return false;
    const std::size_t end = std::min(m_bytes.find('\n', m_next), m_bytes.size());
    std::size_t size = end - m_next;
    if (end < m_bytes.size() && size > 0 && m_bytes[end - 1] == '\r')
        --size;
    line.assign(m_bytes, m_next, size);
    m_next = end + 1;
    return true;
}
