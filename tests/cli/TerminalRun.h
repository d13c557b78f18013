// The real brelk as a user runs it: on a pseudo-terminal, or with its output into files.
#pragma once

#include "cli/CliFixture.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace brelktest {

// In a child process: becomes the real program with Args.
[[noreturn]] inline void ExecBrelk(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>("brelk")};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(BRELK_BINARY, argv.data());
    ::_exit(127);
}

// The real program with standard input from /dev/null and its output into files in Dir.
inline TResult RunRealBrelk(const std::vector<std::string>& args, const TTempDir& dir) {
    const std::string out = dir.Path("stdout.txt").string();
    const std::string err = dir.Path("stderr.txt").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ExecBrelk(args);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto outBytes = ReadFileBytes(out);
    const auto errBytes = ReadFileBytes(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string(outBytes.begin(), outBytes.end()),
            std::string(errBytes.begin(), errBytes.end())};
}

// The real program on a pseudo-terminal: Answer is typed once the question has appeared.
struct TTerminalRun {
    int Status = -1;
    std::string Screen;
};

inline TTerminalRun RunOnTerminal(const std::vector<std::string>& args, const std::string& state,
                                  const std::optional<std::string>& answer) {
    TTerminalRun run;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        ExecBrelk(args);
    }
    if (pid < 0)
        return run;
    bool answered = !answer;
    for (;;) {
        pollfd wait{master, POLLIN, 0};
        if (::poll(&wait, 1, 20000) <= 0)
            break; // no word for 20 s: the program hangs, and the test fails below
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // the program has ended (EIO once the terminal's last writer is gone)
        run.Screen.append(buffer, std::size_t(n));
        if (!answered && run.Screen.find("[y/N] ") != std::string::npos) {
            answered = ::write(master, answer->data(), answer->size()) == ssize_t(answer->size());
        }
    }
    ::close(master);
    int status = 0;
    ::kill(pid, SIGKILL); // ended already, unless it hung
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace brelktest
