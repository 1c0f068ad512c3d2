// A library the tests preload into valmor-data (LD_PRELOAD) to stop or fail it at a chosen
// step, without timing: it counts the program's calls that open or change files (openat,
// write, pwrite, fsync, ftruncate, unlinkat) and acts at the Nth. Driven by the environment:
//   VALMOR_FAULT_UNDER   only calls on paths that contain this text count (required)
//   VALMOR_FAULT_AT      the numbers (from 1) of the calls to act on, as "1,3"; none when
//                        unset
//   VALMOR_FAULT_DO      kill        SIGKILL before the call
//                        INT, TERM, HUP   raise that signal, then make the call
//                        ENOSPC, EIO, EACCES   fail the call with that error; a write
//                                    first writes half its bytes, as a disk that fills up
//                                    midway does; with a trailing +, every later counted call
//                                    fails too
//   VALMOR_FAULT_CALLS   the calls that count, as "pwrite,fsync"; all of them when unset,
//                        but fstatat (which looks at a file) counts only when listed
//   VALMOR_FAULT_LOG     a file that gets a line "N call path" for every counted call
//   VALMOR_FAULT_FIFO    a path that becomes a named pipe just before it is first opened
//   VALMOR_FAULT_PAUSE   the named pipe a pause reads to its end
// Built for the tests only: it never goes into the program.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Settings {
    std::string under;
    std::vector<long> at;
    std::string action;
    bool failLater = false;
    int error = 0;
    std::string calls;
    std::string log;
    std::string fifo;
    std::string pause;
};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

const Settings& settings() {
    static const Settings loaded = [] {
        Settings s;
        s.under = variable("VALMOR_FAULT_UNDER");
        const std::string at = variable("VALMOR_FAULT_AT");
        for (std::size_t from = 0; from < at.size(); from = at.find(',', from) + 1) {
            s.at.push_back(std::atol(at.c_str() + from));
            if (at.find(',', from) == std::string::npos)
                break;
        }
        s.action = variable("VALMOR_FAULT_DO");
        if (!s.action.empty() && s.action.back() == '+') {
            s.failLater = true;
            s.action.pop_back();
        }
        s.error = s.action == "ENOSPC"   ? ENOSPC
                  : s.action == "EIO"    ? EIO
                  : s.action == "EACCES" ? EACCES
                                         : 0;
        s.calls = variable("VALMOR_FAULT_CALLS");
        s.log = variable("VALMOR_FAULT_LOG");
        s.fifo = variable("VALMOR_FAULT_FIFO");
        s.pause = variable("VALMOR_FAULT_PAUSE");
        return s;
    }();
    return loaded;
}

std::atomic<long> counted{0};
std::atomic<bool> failing{false};
std::atomic<bool> fifoMade{false};

template <typename Function> Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::string linkTarget(const std::string& link) {
    char target[4096];
    const ssize_t got = readlink(link.c_str(), target, sizeof target - 1);
    return got > 0 ? std::string(target, static_cast<std::size_t>(got)) : std::string();
}

std::string pathOfFd(int fd) {
    return linkTarget("/proc/self/fd/" + std::to_string(fd));
}

std::string pathAt(int dirfd, const char* name) {
    if (name == nullptr)
        return {};
    if (name[0] == '/')
        return name;
    const std::string folder = dirfd == AT_FDCWD ? linkTarget("/proc/self/cwd") : pathOfFd(dirfd);
    return folder + "/" + name;
}

bool listed(const char* call) {
    const std::string& calls = settings().calls;
    if (calls.empty())
        return std::string_view(call) != "fstatat";
    const std::string wanted = "," + calls + ",";
    return wanted.find("," + std::string(call) + ",") != std::string::npos;
}

enum class Act { Go, Fail, HalfThenFail };

// Counts the call when it concerns a watched path, and does what the settings say for it.
Act step(const char* call, const std::string& path, bool isWrite) {
    const Settings& s = settings();
    if (s.under.empty() || path.find(s.under) == std::string::npos || !listed(call))
        return Act::Go;
    const long n = ++counted;
    if (!s.log.empty()) {
        const std::string line = std::to_string(n) + ' ' + call + ' ' + path + '\n';
        const int fd = real<int (*)(const char*, int, ...)>("open")(
            s.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            real<ssize_t (*)(int, const void*, size_t)>("write")(fd, line.data(), line.size());
            close(fd);
        }
    }
    if (failing)
        return Act::Fail;
    if (std::find(s.at.begin(), s.at.end(), n) == s.at.end())
        return Act::Go;
    if (s.action == "kill")
        raise(SIGKILL);
    if (s.action == "pause") {
        // Opening waits for the test to open the other end; reading, for it to close it.
        const int fd =
            real<int (*)(const char*, int, ...)>("open")(s.pause.c_str(), O_RDONLY | O_CLOEXEC);
        char byte;
        while (fd >= 0 && read(fd, &byte, 1) > 0) {
        }
        close(fd);
        return Act::Go;
    }
    if (s.action == "INT" || s.action == "TERM" || s.action == "HUP") {
        raise(s.action == "INT" ? SIGINT : s.action == "TERM" ? SIGTERM : SIGHUP);
        return Act::Go;
    }
    if (s.error == 0)
        return Act::Go;
    if (s.failLater)
        failing = true;
    return isWrite ? Act::HalfThenFail : Act::Fail;
}

int fail() {
    errno = settings().error;
    return -1;
}

// Makes VALMOR_FAULT_FIFO a named pipe the first time it is about to be opened.
void turnIntoPipe(const std::string& path) {
    const std::string& fifo = settings().fifo;
    if (fifo.empty() || path != fifo || fifoMade.exchange(true))
        return;
    unlink(fifo.c_str());
    mkfifo(fifo.c_str(), 0644);
}

int openCounted(const char* call, int dirfd, const char* name, int flags, mode_t mode) {
    const std::string path = pathAt(dirfd, name);
    turnIntoPipe(path);
    if (step(call, path, false) != Act::Go)
        return fail();
    return real<int (*)(int, const char*, int, ...)>("openat")(dirfd, name, flags, mode);
}

mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t)
                                                                      : 0;
}

ssize_t writeCounted(const char* call, int fd, const void* bytes, size_t count, off_t offset,
                     bool positioned) {
    const auto put = [&](size_t n) {
        return positioned ? real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite")(fd, bytes,
                                                                                         n, offset)
                          : real<ssize_t (*)(int, const void*, size_t)>("write")(fd, bytes, n);
    };
    switch (step(call, pathOfFd(fd), true)) {
    case Act::Go:
        return put(count);
    case Act::HalfThenFail:
        if (count > 1)
            put(count / 2);
        return fail();
    case Act::Fail:
        return fail();
    }
    return fail();
}

} // namespace

extern "C" {

int openat(int dirfd, const char* name, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return openCounted("openat", dirfd, name, flags, mode);
}
ssize_t write(int fd, const void* bytes, size_t count) {
    return writeCounted("write", fd, bytes, count, 0, false);
}
ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
    return writeCounted("pwrite", fd, bytes, count, offset, true);
}
int fsync(int fd) {
    if (step("fsync", pathOfFd(fd), false) != Act::Go)
        return fail();
    return real<int (*)(int)>("fsync")(fd);
}
int ftruncate(int fd, off_t length) {
    if (step("ftruncate", pathOfFd(fd), false) != Act::Go)
        return fail();
    return real<int (*)(int, off_t)>("ftruncate")(fd, length);
}
int fstatat(int dirfd, const char* name, struct stat* status, int flags) {
    if (step("fstatat", pathAt(dirfd, name), false) != Act::Go)
        return fail();
    return real<int (*)(int, const char*, struct stat*, int)>("fstatat")(dirfd, name, status,
                                                                         flags);
}
int unlinkat(int dirfd, const char* name, int flags) {
    if (step("unlinkat", pathAt(dirfd, name), false) != Act::Go)
        return fail();
    return real<int (*)(int, const char*, int)>("unlinkat")(dirfd, name, flags);
}

} // extern "C"
