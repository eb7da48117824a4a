// pictarn-driver.exe: plays the user and the desktop for the end-to-end
// tests. Reads one command per line on stdin and answers each with one line
// on stdout; "help" lists the commands.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "protocol.hpp"

namespace {

using driver::Args;
using driver::Command;
using driver::Reply;

bool ReadLine(std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n') return true;
        line += static_cast<char>(c);
    }
    return !line.empty();
}

void Answer(const Reply& reply) {
    std::string text = reply.ok ? "ok" : "err";
    if (!reply.text.empty()) {
        text += ' ';
        text += reply.text;
    }
    text += "\n";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

const Command* FindCommand(const std::string& name) {
    for (auto table : {driver::ClipboardCommands(), driver::InputCommands(), driver::WindowCommands(),
                       driver::MenuCommands(), driver::DialogCommands()})
        for (const Command& command : table)
            if (name == command.name) return &command;
    return nullptr;
}

void PrintHelp() {
    for (auto table : {driver::ClipboardCommands(), driver::InputCommands(), driver::WindowCommands(),
                       driver::MenuCommands(), driver::DialogCommands()})
        for (const Command& command : table) std::printf("# %s\n", command.usage);
    std::printf("# sleep <ms>\n# ping\n# quit\n");
}

}  // namespace

int main() {
    // Replies end with LF alone, whatever reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::string line;
    while (ReadLine(line)) {
        Args words = driver::SplitWords(line);
        if (words.empty()) continue;
        const std::string name = words.front();
        words.erase(words.begin());
        if (name == "quit") {
            Answer(driver::Ok());
            return 0;
        }
        if (name == "ping") {
            Answer(driver::Ok());
        } else if (name == "help") {
            PrintHelp();
            Answer(driver::Ok());
        } else if (name == "sleep") {
            long long ms = 0;
            if (words.size() == 1 && driver::ParseInt(words[0], ms) && ms >= 0) {
                Sleep(static_cast<DWORD>(ms));
                Answer(driver::Ok());
            } else {
                Answer(driver::Err("bad-args"));
            }
        } else if (const Command* command = FindCommand(name)) {
            if (static_cast<int>(words.size()) < command->argCount)
                Answer(driver::Err(std::string("usage: ") + command->usage));
            else
                Answer(command->run(words));
        } else {
            Answer(driver::Err("unknown-command"));
        }
    }
    return 0;
}
