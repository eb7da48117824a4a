// The settings file: number rules, line rules, loading, saving.
#include "platform/common/cp1251.hpp"
#include "platform/platform.hpp"
#include "settings/settings.hpp"
#include "support/sim_app.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

using namespace platform;
using testsupport::SimAppTest;

namespace {

struct ParseCase {
    const char* text;
    std::int64_t expected;
};

TEST(ParseIntegerTest, FollowsTheFileRules) {
    const ParseCase cases[] = {
        {"", 0},
        {"0", 0},
        {"42", 42},
        {" 12", 12},
        {"\t 12", 12},
        {"12abc", 12},
        {"abc", 0},
        {"+12", 12},
        {"-12", -12},
        {"- 12", 0},
        {"--12", 0},
        {"+-12", 0},
        {"$1F", 31},
        {"$ff", 255},
        {"$1G", 1},
        {"%101", 5},
        {"%102", 2},
        {"-$10", -16},
        {"$", 0},
        {"12 34", 12},
        {"2147483648", 2147483648LL},
        {"-2147483648", -2147483648LL},
        {"9223372036854775807", INT64_MAX},
        // 2^64 + 5 wraps round to 5; 2^63 wraps to the smallest value.
        {"18446744073709551621", 5},
        {"9223372036854775808", INT64_MIN},
        {"\xEF\xBB\xBF" "7", 0},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.expected) << "text: \"" << c.text << "\"";
    }
}

TEST(FormatIntegerTest, WritesPlainDecimal) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {1200, "1200"},
        {-5, "-5"},
        {INT32_MAX, "2147483647"},
        {INT32_MIN, "-2147483648"},
        {INT64_MIN, "-9223372036854775808"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatInteger(value), text);
}

class FileRulesTest : public SimAppTest {
protected:
    std::vector<std::string> ReadLines(const std::string& bytes, int count) {
        WriteFile("lines.txt", bytes);
        std::vector<std::string> lines;
        EXPECT_NE(FileOpenRead(3, "lines.txt"), 0);
        for (int i = 0; i < count; ++i) lines.push_back(FileReadLine(3));
        FileClose(3);
        return lines;
    }
};

TEST_F(FileRulesTest, SplitsLinesAtLfCrCrLfNulAndEnd) {
    using Lines = std::vector<std::string>;
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\r\nc\r\n", {"a", "b", "c", ""}},
        {"a\nb\nc", {"a", "b", "c", ""}},
        {"a\rb\rc\r", {"a", "b", "c", ""}},
        {"a\r\rb", {"a", "", "b", ""}},
        {"a\n\r\nb", {"a", "", "b", ""}},
        {std::string("a\0b\r\nc", 6), {"a", "b", "c", ""}},
        {"", {"", "", "", ""}},
        {"only", {"only", "", "", ""}},
        {"x\r", {"x", "", "", ""}},
        {"  blanks kept  \r\n", {"  blanks kept  ", "", "", ""}},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(ReadLines(bytes, 4), expected) << "bytes: " << ::testing::PrintToString(bytes);
    }
}

TEST_F(FileRulesTest, ReadsLinesLongerThanAnyBuffer) {
    const std::string longLine(20000, 'x');
    EXPECT_EQ(ReadLines(longLine + "\r\n" + longLine + "y\n", 2),
              (std::vector<std::string>{longLine, longLine + "y"}));
}

TEST_F(FileRulesTest, WritesThroughTheBufferOnlyAtCloseOrWhenFull) {
    ASSERT_NE(FileOpenOrCreate(3, "out.txt"), 0);
    EXPECT_EQ(FileWriteLine(3, "abc"), 5);
    EXPECT_EQ(ReadFile("out.txt"), "");  // still in the buffer
    const std::string big(5000, 'z');
    FileWriteLine(3, big);
    FileWriteLine(3, "");
    FileClose(3);
    EXPECT_EQ(ReadFile("out.txt"), "abc\r\n" + big + "\r\n\r\n");
}

TEST_F(FileRulesTest, OperationsOnAnEmptyNumberDoNothing) {
    EXPECT_EQ(FileReadLine(5), "");
    EXPECT_EQ(FileWriteLine(5, "x"), 0);
    FileClose(5);
    EXPECT_EQ(FileOpenRead(3, "missing.txt"), 0);
    EXPECT_EQ(FileOpenRead(99, "missing.txt"), 0);
}

class SettingsLoadTest : public SimAppTest {};

TEST_F(SettingsLoadTest, ReadsFourLinesByTheFileRules) {
    struct Case {
        std::string bytes;
        Settings expected;
    };
    const Case cases[] = {
        {"7\r\n800\r\n600\r\nD:\\Shots\\\r\n", {7, 800, 600, "D:\\Shots\\"}},
        {"", {0, 0, 0, ""}},
        {"5\r\n640", {5, 640, 0, ""}},
        {"5\n640\n480\nC:\\x\\", {5, 640, 480, "C:\\x\\"}},
        {"5\r640\r480\rC:\\x\\\r", {5, 640, 480, "C:\\x\\"}},
        {"3\r", {3, 0, 0, ""}},
        {"\xEF\xBB\xBF" "7\r\n1\r\n2\r\n", {0, 1, 2, ""}},
        {"$1F\r\n%101\r\n-$10\r\n", {31, 5, -16, ""}},
        {"2147483648\r\n4294967297\r\n-5\r\n", {INT32_MIN, 1, -5, ""}},
        {"50\r\n5000\r\n0\r\nC:\\Shots\r\n", {50, 5000, 0, "C:\\Shots"}},
        {"1\r\n2\r\n3\r\n  C:\\a b\\  \r\nfifth line\r\n", {1, 2, 3, "  C:\\a b\\  "}},
        {std::string("9\r\n1\0" "2\r\n3\r\n", 11), {9, 1, 2, "3"}},
    };
    for (const Case& c : cases) {
        settings = Settings{};
        WriteIni(c.bytes);
        SettingsLoad();
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(settings.quality, c.expected.quality);
        EXPECT_EQ(settings.width, c.expected.width);
        EXPECT_EQ(settings.height, c.expected.height);
        EXPECT_EQ(settings.folder, c.expected.folder);
    }
    EXPECT_TRUE(sim::ModalsShown().empty());
}

TEST_F(SettingsLoadTest, MissingFileShowsTheMessageAndChangesNothing) {
    settings = Settings{1, 2, 3, "keep"};
    SettingsLoad();
    ASSERT_EQ(sim::ModalsShown().size(), 1u);
    const sim::Modal& box = sim::ModalsShown()[0];
    EXPECT_EQ(box.kind, sim::ModalKind::Message);
    EXPECT_EQ(box.title, Cp1251(u8"Сообщение").str());
    EXPECT_EQ(box.text, Cp1251(u8"Невозможно открыть файл Pictarn.ini !").str());
    EXPECT_EQ(settings.quality, 1);
    EXPECT_EQ(settings.folder, "keep");
    EXPECT_FALSE(FileExists("Pictarn.ini"));
}

class SettingsSaveTest : public SimAppTest {};

TEST_F(SettingsSaveTest, WritesExactBytes) {
    const std::pair<Settings, std::string> cases[] = {
        {{7, 800, 600, "D:\\Shots\\"}, "7\r\n800\r\n600\r\nD:\\Shots\\\r\n"},
        {{0, 0, 0, ""}, "0\r\n0\r\n0\r\n\r\n"},
        {{-3, INT32_MIN, 1200, "\xCF\xE0\xEF\xEA\xE0\\"}, "-3\r\n-2147483648\r\n1200\r\n\xCF\xE0\xEF\xEA\xE0\\\r\n"},
    };
    for (const auto& [values, bytes] : cases) {
        std::remove((Dir() + "Pictarn.ini").c_str());
        settings = values;
        SettingsSave();
        EXPECT_EQ(ReadFile("Pictarn.ini"), bytes);
    }
}

TEST_F(SettingsSaveTest, OverALongerFileKeepsItsTailAndReadsBackTheNewValues) {
    WriteIni("10\r\n1200\r\n1200\r\nC:\\a very long folder name\\\r\n");
    settings = {7, 800, 600, "D:\\s\\"};
    SettingsSave();
    EXPECT_EQ(ReadFile("Pictarn.ini"), "7\r\n800\r\n600\r\nD:\\s\\\r\n very long folder name\\\r\n");
    settings = Settings{};
    SettingsLoad();
    EXPECT_EQ(settings.quality, 7);
    EXPECT_EQ(settings.width, 800);
    EXPECT_EQ(settings.height, 600);
    EXPECT_EQ(settings.folder, "D:\\s\\");
}

TEST_F(SettingsSaveTest, ReadOnlyFileKeepsItsContentSilently) {
    WriteIni("1\r\n2\r\n3\r\nold\r\n");
    ASSERT_EQ(::chmod((Dir() + "Pictarn.ini").c_str(), 0444), 0);
    settings = {9, 9, 9, "new"};
    SettingsSave();
    EXPECT_EQ(ReadFile("Pictarn.ini"), "1\r\n2\r\n3\r\nold\r\n");
    EXPECT_TRUE(sim::ModalsShown().empty());
}

TEST_F(SettingsSaveTest, AFolderLongerThanTheWriteBufferArrivesWhole) {
    settings = {1, 2, 3, std::string(9000, 'f') + "\\"};
    SettingsSave();
    EXPECT_EQ(ReadFile("Pictarn.ini"), "1\r\n2\r\n3\r\n" + settings.folder + "\r\n");
}

}  // namespace
