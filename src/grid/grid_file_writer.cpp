#include "grid/grid_file_writer.h"

#include "base/gbk_codec.h"
#include "grid/grid_error.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t FlushSize = 1 << 16;

std::atomic<unsigned> temporaryCounter { 0 };

} // namespace

GridFileWriter::GridFileWriter(const Text& FileName)
    : m_fileName(FileName)
    , m_target(GbkToUtf8(FileName))
{
    checkTarget();
    createTemporary();
}

GridFileWriter::~GridFileWriter() { discard(); }

void GridFileWriter::checkTarget()
{
    // A link is followed, so the file it names is replaced and the link
    // stays a link.
    struct stat info {
    };
    if (lstat(m_target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(m_target.c_str(), resolved) != nullptr)
            m_target = resolved;
    }
    if (stat(m_target.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return;
        throw EGridError("Cannot Create " + m_fileName);
    }
    // A file that could not be opened for writing in place must not be
    // replaced behind its owner's back either.
    if (!S_ISREG(info.st_mode) || access(m_target.c_str(), W_OK) != 0)
        throw EGridError("Cannot Create " + m_fileName);
    m_targetMode = static_cast<int>(info.st_mode & 07777);
}

void GridFileWriter::createTemporary()
{
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = m_target + ".tmp" + std::to_string(getpid()) + "." + std::to_string(++temporaryCounter);
        m_fd = open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_temporary.clear();
        throw EGridError("Cannot Create " + m_fileName);
    }
    if (m_targetMode >= 0)
        fchmod(m_fd, static_cast<mode_t>(m_targetMode));
}

void GridFileWriter::Write(const Text& bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= FlushSize)
        flush();
}

void GridFileWriter::flush()
{
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t written = write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = EIO;
        if (written <= 0)
            fail("Cannot write ");
        done += static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

void GridFileWriter::Commit()
{
    flush();
    // The data must be on disk before the rename makes it the file, or a
    // crash right after the rename could leave an empty list behind.
    if (fsync(m_fd) != 0)
        fail("Cannot write ");
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0)
        fail("Cannot write ");
    if (rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail("Cannot write ");
    m_temporary.clear();
}

void GridFileWriter::fail(const char* what)
{
    const int error = errno;
    discard();
    throw std::system_error(error, std::generic_category(), what + m_fileName);
}

void GridFileWriter::discard()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    m_buffer.clear();
}
