// The host of a device library of the other width: it loads the library and makes the calls
// the manager sends over standard input, one reply each over standard output.

#include "HostCalls.h"
#include "HostWire.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define readFd _read
#define writeFd _write
#define dupFd _dup
#define dup2Fd _dup2
#else
#include <unistd.h>
#define readFd read
#define writeFd write
#define dupFd dup
#define dup2Fd dup2
#endif

namespace {

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto wrote =
            writeFd(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// The replies get a descriptor of their own, and standard output becomes standard error: a
// library that prints must not write into the replies.
int replyChannel()
{
    const int channel = dupFd(1);
    dup2Fd(2, 1);
#if defined(_WIN32)
    _setmode(0, _O_BINARY);
    _setmode(channel, _O_BINARY);
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
#endif
    return channel;
}

} // namespace

int main()
{
    const int channel = replyChannel();
    if (channel < 0)
        return 2;
    HostCalls calls;
    hostwire::FrameReader reader;
    char buffer[65536];
    for (;;) {
        const auto got = readFd(0, buffer, sizeof buffer);
        if (got <= 0)
            return 0; // the manager is gone, or done
        reader.add(std::string_view(buffer, static_cast<std::size_t>(got)));
        while (const auto body = reader.next()) {
            const auto request = hostwire::readRequest(*body);
            const hostwire::Reply reply =
                request ? calls.handle(*request)
                        : hostwire::Reply{hostwire::Reply::Kind::BadRequest, 0, "pedido ilegível"};
            if (!writeAll(channel, hostwire::frame(reply)))
                return 0;
        }
        if (reader.broken())
            return 2;
    }
}
