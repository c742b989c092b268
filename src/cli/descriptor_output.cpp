#include "cli/descriptor_output.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

DescriptorOutput::DescriptorOutput(int descriptor)
    : m_descriptor(descriptor)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

DescriptorOutput::~DescriptorOutput() { writeOut(); }

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c)
{
    if (!writeOut())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize DescriptorOutput::xsputn(const char* bytes, std::streamsize count)
{
    if (count < static_cast<std::streamsize>(m_buffer.size()))
        return std::streambuf::xsputn(bytes, count);
    return writeOut() && writeAll(bytes, static_cast<std::size_t>(count)) ? count : 0;
}

int DescriptorOutput::sync() { return writeOut() ? 0 : -1; }

// Writes what the buffer holds; false once a write has failed.
bool DescriptorOutput::writeOut()
{
    const bool written = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return written;
}

bool DescriptorOutput::writeAll(const char* bytes, std::size_t count)
{
    const char* next = bytes;
    const char* const end = bytes + count;
    while (m_failure == 0 && next < end) {
        const ssize_t written = ::write(m_descriptor, next, static_cast<std::size_t>(end - next));
        if (written >= 0) {
            next += written;
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd writable { m_descriptor, POLLOUT, 0 };
            ::poll(&writable, 1, -1);
        } else if (errno != EINTR) {
            m_failure = errno;
        }
    }
    return m_failure == 0;
}
