// Test helper: a fresh folder under the system's temporary folder, removed
// with everything in it when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pictarn-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    // The folder with a trailing slash, ready to have a file name appended.
    std::string Folder() const { return path_ + "/"; }
    std::string File(const std::string& name) const { return Folder() + name; }

private:
    std::string path_;
};

}  // namespace testsupport
