// Line exchange with the driver over its stdin and stdout pipes.
#include "driver_client.hpp"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace e2e {

const std::string& Reply::operator[](size_t i) const {
    static const std::string none;
    return i < fields.size() ? fields[i] : none;
}

int Reply::Int(size_t i) const { return static_cast<int>(std::strtol((*this)[i].c_str(), nullptr, 0)); }

bool Driver::Start(const std::string& driverExe, const std::string& logFile) {
    pending_.clear();
    if (!process_.Start({"wine", driverExe}, "", logFile, true)) return false;
    return Send("ping", 60000).ok;
}

bool Driver::ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // Lines starting with '#' are the driver's help text, not replies.
            if (!line.empty() && line[0] == '#') continue;
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{process_.StdoutFd(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(process_.StdoutFd(), buffer, sizeof buffer);
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

Reply Driver::Send(const std::string& command, int timeoutMs) {
    Reply reply;
    if (!process_.Running()) {
        reply.line = "driver-gone";
        reply.fields = {reply.line};
        return reply;
    }
    const std::string text = command + "\n";
    if (write(process_.StdinFd(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        !ReadLine(reply.line, timeoutMs)) {
        process_.Kill();
        reply.line = "driver-timeout after: " + command;
        reply.fields = {"driver-timeout"};
        return reply;
    }
    std::string word;
    std::vector<std::string> words;
    for (char c : reply.line + " ") {
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    reply.ok = !words.empty() && words[0] == "ok";
    if (!words.empty()) words.erase(words.begin());
    reply.fields = words;
    return reply;
}

void Driver::Quit() {
    if (!process_.Running()) return;
    Send("quit", 5000);
    int status = 0;
    if (!process_.WaitExit(5000, status)) process_.Kill();
}

}  // namespace e2e
