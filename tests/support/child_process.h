// Runs a program as a child process with its output thrown away, for the tests and
// benchmarks that need the real valmor-data: its exit status, wall time and peak memory.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace valmor::test {

struct ChildRun {
    int status = -1;       // the exit status, -1 when the child could not start or was killed
    int signal = 0;        // the signal that ended the child, 0 when it exited
    bool timedOut = false; // killed by waitChild for running past its time
    double seconds = 0;
    double peakMegabytes = 0; // the child's largest resident set
};

// Starts `arguments` (the program first) with standard output and error to `output`
// (/dev/null by default), its environment the test's own plus `environment` ("NAME=value");
// gives the child's process id, or -1.
inline pid_t startChild(std::vector<std::string> arguments,
                        const std::vector<std::string>& environment = {},
                        const std::string& output = "/dev/null") {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The given variables first: a program takes the first of two of one name.
    std::vector<std::string> variables = environment;
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    for (char** variable = environ; *variable != nullptr; ++variable)
        envp.push_back(*variable);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for a child started by startChild; given a `limit`, one still running after it is
// killed.
inline ChildRun
waitChild(pid_t pid,
          std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now(),
          std::chrono::seconds limit = std::chrono::seconds::zero()) {
    ChildRun run;
    if (pid < 0)
        return run;
    int status = 0;
    rusage usage{};
    if (limit == std::chrono::seconds::zero())
        wait4(pid, &status, 0, &usage);
    while (limit != std::chrono::seconds::zero() && wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() - started > limit) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

inline ChildRun runChild(const std::vector<std::string>& arguments) {
    const auto started = std::chrono::steady_clock::now();
    return waitChild(startChild(arguments), started);
}

} // namespace valmor::test
