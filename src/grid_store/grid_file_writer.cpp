#include "grid_store/grid_file_writer.h"

#include "base/gbk_codec.h"
#include "grid_store/grid_error.h"
#include "grid_store/grid_file_save_method.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t FlushSize = 1 << 16;
// A temporary file is named after its target: the target's name, this mark,
// the writer's process id, a dot and a counter.
constexpr std::string_view TemporaryMark = ".tmp";

std::atomic<unsigned> temporaryCounter { 0 };

// A link is followed, so the file it names is written and the link stays a
// link.
std::string followLink(const std::string& path)
{
    struct stat info {
    };
    char resolved[PATH_MAX];
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)
        && realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool cutDigits(std::string_view& rest)
{
    const std::size_t count = std::min(rest.find_first_not_of("0123456789"), rest.size());
    rest.remove_prefix(count);
    return count > 0;
}

// Only the exact form of a temporary file of target matches, so no file of
// any other naming is ever taken for one.
bool isTemporaryOf(std::string_view name, std::string_view target)
{
    if (!name.starts_with(target) || !name.substr(target.size()).starts_with(TemporaryMark))
        return false;
    name.remove_prefix(target.size() + TemporaryMark.size());
    if (!cutDigits(name) || !name.starts_with('.'))
        return false;
    name.remove_prefix(1);
    return cutDigits(name) && name.empty();
}

// A writer holds a lock on its temporary file until it is renamed or
// removed, and the system drops the lock of a killed process, so a plain
// file whose lock can be taken has no writer any more. On a file system
// without locks nothing is removed.
void removeIfAbandoned(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {
    };
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
        unlink(path.c_str());
    close(fd);
}

} // namespace

GridFileWriter::GridFileWriter(const Text& FileName)
    : m_fileName(FileName)
    , m_target(followLink(GbkToUtf8(FileName)))
{
    const bool inPlace = checkTarget();
    removeLeftovers();
    if (inPlace)
        openInPlace();
    else
        createTemporary();
}

GridFileWriter::~GridFileWriter() { discard(); }

// Reads what lies at the target, notes its mode and tells whether it is to be
// written in place.
bool GridFileWriter::checkTarget()
{
    GridFileTargetFacts target;
    struct stat info {
    };
    if (stat(m_target.c_str(), &info) != 0) {
        if (errno != ENOENT)
            throw EGridError("Cannot Create " + m_fileName);
        target.exists = false;
    } else {
        target.regularFile = S_ISREG(info.st_mode);
        target.fileWritable = access(m_target.c_str(), W_OK) == 0;
        target.folderWritable = access(folderOf(m_target).c_str(), W_OK | X_OK) == 0;
        target.links = info.st_nlink;
        target.ownedBySaver = info.st_uid == geteuid() && info.st_gid == getegid();
        m_targetMode = static_cast<int>(info.st_mode & 07777);
    }
    const GridFileSaveMethod method = ChooseSaveMethod(target);
    if (method == GridFileSaveMethod::Refuse)
        throw EGridError("Cannot Create " + m_fileName);
    return method == GridFileSaveMethod::InPlace;
}

void GridFileWriter::openInPlace()
{
    m_fd = open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw EGridError("Cannot Create " + m_fileName);
    // The file is emptied only when the first bytes go out, so a save that
    // fails before that leaves it as it was.
    m_truncatePending = true;
}

void GridFileWriter::removeLeftovers() const
{
    const std::string folder = folderOf(m_target);
    const std::string_view name = std::string_view(m_target).substr(m_target.rfind('/') + 1);
    DIR* entries = opendir(folder.c_str());
    if (entries == nullptr)
        return;
    while (const dirent* entry = readdir(entries))
        if (isTemporaryOf(entry->d_name, name))
            removeIfAbandoned(folder + "/" + entry->d_name);
    closedir(entries);
}

void GridFileWriter::createTemporary()
{
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = m_target + std::string(TemporaryMark) + std::to_string(getpid()) + "."
            + std::to_string(++temporaryCounter);
        m_fd = open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
        if (m_fd >= 0 && !holdTemporary()) {
            close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd < 0) {
        m_temporary.clear();
        throw EGridError("Cannot Create " + m_fileName);
    }
    if (m_targetMode < 0)
        return;
    // The target's group is the saving user's own; a folder that hands its
    // own group to new files must not change it. A file system that keeps
    // no owners or modes refuses both, and the file is written all the same.
    [[maybe_unused]] const int grouped = fchown(m_fd, static_cast<uid_t>(-1), getegid());
    fchmod(m_fd, static_cast<mode_t>(m_targetMode));
}

// Locks the new temporary file for the writer's lifetime. False when another
// save, cleaning up between the file's creation and its lock, removed it.
bool GridFileWriter::holdTemporary() const
{
    flock(m_fd, LOCK_EX);
    struct stat info {
    };
    return fstat(m_fd, &info) == 0 && info.st_nlink > 0;
}

void GridFileWriter::Write(const Text& bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= FlushSize)
        flush();
}

void GridFileWriter::flush()
{
    if (m_truncatePending) {
        if (ftruncate(m_fd, 0) != 0)
            fail("Cannot write ");
        m_truncatePending = false;
    }
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
    // The rename comes before the close, while the lock still tells other
    // saves that this temporary file is no leftover.
    if (!m_temporary.empty() && rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail("Cannot write ");
    m_temporary.clear();
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0)
        fail("Cannot write ");
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
