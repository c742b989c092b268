#pragma once

#include <fcntl.h>

// Puts a socket into non-blocking mode for as long as the object lives and
// gives it back the mode it had however the step ends. The TLS library's calls
// run inside one, so they never wait inside the library; everything else on
// the socket keeps the blocking behaviour of the socket layer.
class NonBlockingScope
{
public:
    explicit NonBlockingScope(int Handle)
        : m_handle(Handle)
        , m_flags(fcntl(Handle, F_GETFL, 0))
    {
        if (changesMode())
            fcntl(m_handle, F_SETFL, m_flags | O_NONBLOCK);
    }
    ~NonBlockingScope()
    {
        if (changesMode())
            fcntl(m_handle, F_SETFL, m_flags);
    }
    NonBlockingScope(const NonBlockingScope&) = delete;
    NonBlockingScope& operator=(const NonBlockingScope&) = delete;

private:
    bool changesMode() const { return m_flags >= 0 && (m_flags & O_NONBLOCK) == 0; }

    int m_handle;
    int m_flags;
};
