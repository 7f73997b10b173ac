#include "CliPassword.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {
// Far longer than any camera password, so a stray file is not read whole.
constexpr std::size_t kLongestLine = 1024;
} // namespace

bool ReadPasswordLine(int fd, std::string& password)
{
    password.clear();
    bool any = false;
    char c = 0;
    while (password.size() < kLongestLine) {
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        password += c;
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return any;
}

bool ReadPasswordOption(const CliCommandLine& line, std::string& password, std::string& error)
{
    const int given = (line.Has("password") ? 1 : 0) + (line.Has("password-stdin") ? 1 : 0) +
                      (line.Has("password-fd") ? 1 : 0);
    if (given > 1) {
        error = "give one of --password, --password-stdin and --password-fd";
        return false;
    }
    if (line.Has("password")) {
        password = line.Value("password");
        return true;
    }
    int fd = -1;
    if (line.Has("password-stdin")) {
        fd = STDIN_FILENO;
    } else if (line.Has("password-fd")) {
        const std::string text = line.Value("password-fd");
        char* end = nullptr;
        const long number = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || number < 0 || number > 1 << 20) {
            error = "--password-fd takes the number of an open file descriptor, not " + text;
            return false;
        }
        fd = static_cast<int>(number);
    } else {
        return true;
    }
    if (!ReadPasswordLine(fd, password)) {
        error = fd == STDIN_FILENO ? "--password-stdin: nothing to read on standard input"
                                   : "--password-fd: nothing could be read from descriptor " + line.Value("password-fd");
        return false;
    }
    if (fd != STDIN_FILENO) {
        close(fd);
    }
    return true;
}
