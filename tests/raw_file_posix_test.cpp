// POSIX raw file access: what counts as read-only, opening without
// truncation, directories refused, replace and remove.
#include "platform/common/raw_file.hpp"

#include "support/jpeg_markers.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {

namespace raw = platform::raw;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class RawFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }
    std::string Path(const std::string& name) const { return temp_.File(name); }
    void MakeFile(const std::string& name, const std::string& text, mode_t mode) {
        WriteFileBytes(Path(name), {text.begin(), text.end()});
        ASSERT_EQ(::chmod(Path(name).c_str(), mode), 0);
    }

    testsupport::TempFolder temp_;
};

struct ModeCase {
    mode_t mode;
    bool readOnly;
};

TEST_F(RawFileTest, ReadOnlyMeansNoWriteBitAtAll) {
    const ModeCase cases[] = {{0444, true}, {0400, true}, {0000, true}, {0555, true},
                              {0644, false}, {0200, false}, {0420, false}, {0402, false}};
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.mode);
        MakeFile("f", "data", c.mode);
        EXPECT_EQ(raw::FileIsReadOnly(Path("f")), c.readOnly);
        raw::FileId file = raw::FileOpenOrCreate(Path("f"));
        EXPECT_EQ(file == raw::kNoFile, c.readOnly);
        if (file != raw::kNoFile) {
            EXPECT_TRUE(raw::FileCloseRaw(file));
        }
        ASSERT_TRUE(raw::FileRemove(Path("f")));
    }
    EXPECT_FALSE(raw::FileIsReadOnly(Path("missing")));
    ASSERT_EQ(::mkdir(Path("dir").c_str(), 0555), 0);
    EXPECT_FALSE(raw::FileIsReadOnly(Path("dir")));
}

TEST_F(RawFileTest, OpenOrCreateKeepsContentAndStartsAtTheBeginning) {
    MakeFile("f", "abcdef", 0644);
    raw::FileId file = raw::FileOpenOrCreate(Path("f"));
    ASSERT_NE(file, raw::kNoFile);
    char first[2] = {};
    EXPECT_EQ(raw::FileRead(file, first, 2), 2);
    EXPECT_EQ(std::string(first, 2), "ab");
    EXPECT_EQ(raw::FileWrite(file, "XY", 2), 2);
    EXPECT_TRUE(raw::FileCloseRaw(file));
    EXPECT_EQ(ReadFileBytes(Path("f")), (std::vector<std::uint8_t>{'a', 'b', 'X', 'Y', 'e', 'f'}));

    file = raw::FileOpenOrCreate(Path("new"));
    ASSERT_NE(file, raw::kNoFile);
    EXPECT_EQ(raw::FileRead(file, first, 2), 0);
    EXPECT_TRUE(raw::FileCloseRaw(file));
    EXPECT_TRUE(std::filesystem::exists(Path("new")));
}

TEST_F(RawFileTest, OpenReadRefusesMissingFilesAndFolders) {
    EXPECT_EQ(raw::FileOpenRead(Path("missing")), raw::kNoFile);
    EXPECT_EQ(raw::FileOpenRead(temp_.Folder()), raw::kNoFile);
    EXPECT_EQ(raw::FileOpenOrCreate(temp_.Folder()), raw::kNoFile);

    MakeFile("f", "xyz", 0444);  // reading a read-only file is fine
    raw::FileId file = raw::FileOpenRead(Path("f"));
    ASSERT_NE(file, raw::kNoFile);
    char buffer[8] = {};
    EXPECT_EQ(raw::FileRead(file, buffer, sizeof buffer), 3);
    EXPECT_EQ(raw::FileRead(file, buffer, sizeof buffer), 0);
    EXPECT_LT(raw::FileWrite(file, "a", 1), 0);
    EXPECT_TRUE(raw::FileCloseRaw(file));
}

TEST_F(RawFileTest, ReplaceAndRemove) {
    MakeFile("from", "new", 0644);
    MakeFile("to", "old", 0644);
    EXPECT_TRUE(raw::FileReplace(Path("from"), Path("to")));
    EXPECT_EQ(ReadFileBytes(Path("to")), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_FALSE(std::filesystem::exists(Path("from")));
    EXPECT_FALSE(raw::FileReplace(Path("from"), Path("to")));

    EXPECT_TRUE(raw::FileRemove(Path("to")));
    EXPECT_FALSE(std::filesystem::exists(Path("to")));
    EXPECT_FALSE(raw::FileRemove(Path("to")));
}

}  // namespace
