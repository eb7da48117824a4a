// Child processes of the end-to-end tests: spawned with posix_spawn in a
// chosen directory, optionally with pipes for stdin and stdout, and waited
// for with a time limit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // argv[0] is looked up in PATH. stdout and stderr go to logFile (appended)
    // unless withPipes, which connects stdin and stdout to this process.
    bool Start(const std::vector<std::string>& argv, const std::string& workingDir, const std::string& logFile,
               bool withPipes);
    bool Running() const { return pid_ > 0 && !exited_; }
    // Waits at most timeoutMs for the process to end; true with its exit status.
    bool WaitExit(int timeoutMs, int& exitStatus);
    // SIGKILL and reap.
    void Kill();

    int StdinFd() const { return stdin_; }
    int StdoutFd() const { return stdout_; }

private:
    void ClosePipes();

    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
    int stdin_ = -1;
    int stdout_ = -1;
};

// Runs a command to its end, at most timeoutMs; its exit status, or -1 when it
// could not start or had to be killed.
int RunCommand(const std::vector<std::string>& argv, int timeoutMs, const std::string& logFile = "/dev/null");

}  // namespace e2e
