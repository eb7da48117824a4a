// posix_spawn-based child processes with bounded waits.
#include "child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace e2e {

ChildProcess::~ChildProcess() {
    Kill();
    ClosePipes();
}

void ChildProcess::ClosePipes() {
    if (stdin_ >= 0) close(stdin_);
    if (stdout_ >= 0) close(stdout_);
    stdin_ = stdout_ = -1;
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& workingDir,
                         const std::string& logFile, bool withPipes) {
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if (withPipes && (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    if (withPipes) {
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (withPipes) {
        close(toChild[0]);
        close(fromChild[1]);
        stdin_ = toChild[1];
        stdout_ = fromChild[0];
    }
    exited_ = false;
    if (rc != 0) {
        pid_ = -1;
        ClosePipes();
        return false;
    }
    return true;
}

bool ChildProcess::WaitExit(int timeoutMs, int& exitStatus) {
    if (pid_ <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!exited_) {
        const pid_t r = waitpid(pid_, &status_, WNOHANG);
        if (r == pid_) {
            exited_ = true;
            break;
        }
        if (r < 0 || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    exitStatus = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    return true;
}

void ChildProcess::Kill() {
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    exited_ = true;
}

int RunCommand(const std::vector<std::string>& argv, int timeoutMs, const std::string& logFile) {
    ChildProcess child;
    if (!child.Start(argv, "", logFile, false)) return -1;
    int status = -1;
    if (!child.WaitExit(timeoutMs, status)) {
        child.Kill();
        return -1;
    }
    return status;
}

}  // namespace e2e
