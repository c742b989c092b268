#pragma once

#include <array>
#include <streambuf>

// linkwatch-cli's standard output: a buffered stream buffer over a file
// descriptor that keeps why its first write failed (a full disk, a file-size
// limit, a closed pipe), so that the program can say so instead of ending as
// if all were written. After a failure it takes no more bytes. Waits while
// a descriptor left non-blocking cannot take more. Used by one thread; it
// never closes the descriptor.
class DescriptorOutput : public std::streambuf
{
public:
    explicit DescriptorOutput(int descriptor);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    // The errno of the first write that failed; 0 while none did.
    int Failure() const { return m_failure; }

protected:
    int_type overflow(int_type c) override;
    // A block larger than the buffer goes to the descriptor as it is, not
    // copied through the buffer piece by piece.
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int sync() override;

private:
    bool writeOut();
    // Writes count bytes; false once a write has failed.
    bool writeAll(const char* bytes, std::size_t count);

    int m_descriptor;
    int m_failure = 0;
    std::array<char, 1 << 16> m_buffer {};
};
