// The host's end of pictarn-driver.exe: one command line out, one reply line
// back, each reply awaited for a bounded time.
#pragma once

#include <string>
#include <vector>

#include "child_process.hpp"

namespace e2e {

struct Reply {
    bool ok = false;
    std::vector<std::string> fields;  // the words after "ok" (or the reason after "err")
    std::string line;                 // the whole reply, for failure messages

    const std::string& operator[](size_t i) const;
    int Int(size_t i) const;
};

class Driver {
public:
    bool Start(const std::string& driverExe, const std::string& logFile);
    bool Running() const { return process_.Running(); }
    // A reply with ok false and the reason "driver-timeout" or "driver-gone"
    // when no answer came in time; the driver is then ended.
    Reply Send(const std::string& command, int timeoutMs = 20000);
    void Quit();

private:
    bool ReadLine(std::string& line, int timeoutMs);

    ChildProcess process_;
    std::string pending_;
};

}  // namespace e2e
