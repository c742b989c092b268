#include "grid/grid_file_reader.h"

#include "base/gbk_codec.h"
#include "grid/grid_error.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

GridFileReader::GridFileReader(const Text& FileName)
    : m_fileName(FileName)
{
    const std::string name = GbkToUtf8(FileName);
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {
    };
    // A directory opens for reading on this system but holds no lines; it
    // is refused like a missing file.
    if (fd < 0 || fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || (m_file = fdopen(fd, "rb")) == nullptr) {
        if (fd >= 0)
            close(fd);
        throw EGridError("Cannot open file " + FileName);
    }
}

GridFileReader::~GridFileReader()
{
    std::fclose(m_file);
    std::free(m_buffer);
}

bool GridFileReader::ReadLine(Text& line)
{
    errno = 0;
    const ssize_t length = getline(&m_buffer, &m_capacity, m_file);
    if (length < 0) {
        // Without the end-of-file mark the read itself failed (a device
        // error, or a line too long for memory).
        if (std::ferror(m_file) || !std::feof(m_file))
            throw std::system_error(
                errno ? errno : EIO, std::generic_category(), "Cannot read " + m_fileName);
        return false;
    }
    std::size_t size = static_cast<std::size_t>(length);
    if (size > 0 && m_buffer[size - 1] == '\n') {
        --size;
        if (size > 0 && m_buffer[size - 1] == '\r')
            --size;
    }
    line.assign(m_buffer, size);
    return true;
}
