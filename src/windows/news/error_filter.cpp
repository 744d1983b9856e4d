#include "error_filter.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace lumatic {

namespace {

constexpr std::string_view fontconfigNoise =
    "Fontconfig error: Cannot load default config file: No such file: (null)";

bool writeAll(int fd, const char *data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= size_t(written);
    }
    return true;
}

// The filter process: only system calls, for it is forked from a process with threads.
[[noreturn]] void runFilter(int input, int output) {
    std::array<char, 8192> buffer{};
    size_t held = 0;
    for (;;) {
        const ssize_t got = ::read(input, buffer.data() + held, buffer.size() - held);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        held += size_t(got);
        size_t start = 0;
        for (size_t end = start; end < held; ++end) {
            if (buffer[end] != '\n')
                continue;
            if (std::string_view(buffer.data() + start, end - start) != fontconfigNoise)
                writeAll(output, buffer.data() + start, end + 1 - start);
            start = end + 1;
        }
        // A line longer than the buffer goes on in pieces.
        if (start == 0 && held == buffer.size()) {
            writeAll(output, buffer.data(), held);
            held = 0;
            continue;
        }
        std::memmove(buffer.data(), buffer.data() + start, held - start);
        held -= start;
    }
    writeAll(output, buffer.data(), held);
    _exit(0);
}

} // namespace

bool filterStandardError() {
    static bool done = false;
    if (done)
        return true;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    const pid_t filter = ::fork();
    if (filter < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (filter == 0) {
        // It outlives the program's own end by a moment, to hand on the last lines: a signal
        // that ends the program, Ctrl-C to its group included, must not end it first. It keeps
        // nothing else of the program's open, so no reader waits on it for another end.
        for (const int signal : {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGPIPE})
            ::signal(signal, SIG_IGN);
        if (::dup2(ends[0], STDIN_FILENO) < 0)
            _exit(1);
        ::close(STDOUT_FILENO);
        ::close_range(3, ~0U, 0);
        runFilter(STDIN_FILENO, STDERR_FILENO);
    }
    ::close(ends[0]);
    const bool redirected = ::dup2(ends[1], STDERR_FILENO) == STDERR_FILENO;
    ::close(ends[1]);
    done = redirected;
    return redirected;
}

} // namespace lumatic
