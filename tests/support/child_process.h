// Runs a program as a child process with its output thrown away, for the tests and
// benchmarks that need the real valmor-data: its exit status, wall time and peak memory.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace valmor::test {

struct ChildRun {
    int status = -1; // the exit status, -1 when the child could not start or was killed
    double seconds = 0;
    double peakMegabytes = 0; // the child's largest resident set
};

// Starts `arguments` (the program first) with standard output and error to /dev/null;
// gives the child's process id, or -1.
inline pid_t startChild(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for a child started by startChild.
inline ChildRun
waitChild(pid_t pid,
          std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now()) {
    ChildRun run;
    if (pid < 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

inline ChildRun runChild(const std::vector<std::string>& arguments) {
    const auto started = std::chrono::steady_clock::now();
    return waitChild(startChild(arguments), started);
}

} // namespace valmor::test
