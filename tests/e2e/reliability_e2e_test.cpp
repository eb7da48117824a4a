// Untrusted clipboards and failing writes, end to end under Wine: whatever
// another program left on the clipboard and whatever happens to the folder,
// Pictarn keeps running and answering, never touches the previous
// "new.jpeg" when it cannot write, leaves the clipboard as it was, and saves
// again at the next press once the fault is gone.
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "coded_picture.hpp"
#include "jpeg_file.hpp"
#include "picture_check.hpp"
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kTeal{0, 130, 132};

class ReliabilityTest : public PictarnTest {
protected:
    // Every file and folder under the test folder, relative to it.
    std::set<std::string> Contents() const {
        std::set<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            names.insert(fs::relative(e.path(), dir_).string());
        return names;
    }

    // The program still runs its loop: the tray menu opens and closes.
    void ExpectAnswering() {
        ASSERT_TRUE(PictarnRunning()) << "Pictarn ended";
        ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());
        std::vector<MenuEntry> entries;
        ASSERT_NO_FATAL_FAILURE(ReadMenu(entries));
        EXPECT_FALSE(entries.empty());
        ASSERT_OK(Send("menu-escape"));
    }

    void ExpectClipboardPicture(int width, int height) {
        const Reply info = Send("clip-dib-info");
        ASSERT_OK(info);
        EXPECT_EQ(info.Int(0), width) << "the clipboard's picture was replaced or emptied";
        EXPECT_EQ(info.Int(1), height);
    }

    void PressAndDecode(const std::string& file, RgbImage& image) {
        ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
        std::string jpeg;
        ASSERT_NO_FATAL_FAILURE(WaitScreenshot(file, jpeg));
        ASSERT_TRUE(DecodeJpeg(jpeg, image)) << file << " does not decode";
    }
};

// ---- the clipboard holds no picture ----

using ClipboardTextTest = ReliabilityTest;

TEST_F(ClipboardTextTest, TextOnlyWritesNothingAndKeepsTheTextUntilAPictureComes) {
    const std::string previous = "new.jpeg of an earlier session";
    const std::string text = "Скопированный текст, не картинка";
    WriteFile("Pictarn.ini", SettingsText(7, 64, 48, WinFolder()));
    WriteFile("new.jpeg", previous);
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    ASSERT_OK(Send("clip-text " + ToHex(text)));
    const std::set<std::string> before = Contents();

    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    Pause(1000);  // several passes of the loop
    ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
    EXPECT_EQ(ReadFile("new.jpeg"), previous);
    EXPECT_EQ(Contents(), before) << "something was written";
    const Reply kept = Send("clip-get-text");
    ASSERT_OK(kept);
    EXPECT_EQ(FromHex(kept[0]), text);
    EXPECT_FALSE(ClipboardHasPicture());

    // The next press with a picture saves it.
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(64, 48, kRed, kBlue));
    RgbImage image;
    ASSERT_NO_FATAL_FAILURE(PressAndDecode("new.jpeg", image));
    EXPECT_TRUE(ShowsBands(image, kRed, kBlue));

    // Text again, now with that screenshot still held: the held screenshot is
    // saved once more, and only then is the clipboard emptied.
    ASSERT_OK(Send("clip-text " + ToHex(text)));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    ASSERT_TRUE(WaitUntil(15000, [&] { return Send("clip-count")[0] == "0"; })) << "clipboard not emptied";
    ASSERT_TRUE(DecodeJpeg(ReadFile("new.jpeg"), image));
    EXPECT_TRUE(ShowsBands(image, kRed, kBlue));
    EXPECT_TRUE(PictarnRunning());
}

// ---- pictures in other stored layouts ----

struct CodingCase {
    const char* name;
    PictureCoding coding;
};

class PictureCodingTest : public ReliabilityTest, public ::testing::WithParamInterface<CodingCase> {};

// An odd width, so that every row ends in padding (and, at 1 and 4 bits, in
// a part-filled byte); saved at the picture's own size, so unscaled.
TEST_P(PictureCodingTest, IsSavedWithItsOwnColours) {
    const PictureCoding& coding = GetParam().coding;
    constexpr int kWidth = 61, kHeight = 40;
    WriteFile("Pictarn.ini", SettingsText(9, kWidth, kHeight, WinFolder()));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    WriteFile("coded.bmp", CodedTwoBandBitmap(coding, kWidth, kHeight, kRed, kTeal));
    ASSERT_OK(Send("clip-dib " + ToHex(WinFolder() + "coded.bmp")));
    const Reply info = Send("clip-dib-info");
    ASSERT_OK(info);
    ASSERT_EQ(info.Int(2), coding.bitsPerPixel) << "the picture reached the clipboard in another layout";

    RgbImage image;
    ASSERT_NO_FATAL_FAILURE(PressAndDecode("new.jpeg", image));
    EXPECT_EQ(image.width, kWidth);
    EXPECT_EQ(image.height, kHeight);
    EXPECT_TRUE(ShowsBands(image, kRed, kTeal));
    EXPECT_TRUE(PictarnRunning());
}

// The teal (0, 130, 132) lower band tells 5-6-5 from 5-5-5: read with 5-5-5
// masks its green would be 0.
INSTANTIATE_TEST_SUITE_P(Layouts, PictureCodingTest,
                         ::testing::Values(CodingCase{"OneBitTable", {1, 0, false}},
                                           CodingCase{"FourBitTableTopDown", {4, 0, true}},
                                           CodingCase{"EightBitTable", {8, 0, false}},
                                           CodingCase{"EightBitTableOfSix", {8, 6, false}},
                                           CodingCase{"SixteenBitFields565", {16, 0, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the picture cannot be saved ----

enum class Fault {
    FolderGone,      // the folder is moved away between two presses
    ReadOnlyFile,    // "new.jpeg" has no write permission: Wine shows it read-only
    ClipboardHeld,   // another program holds the clipboard open
};

struct FaultCase {
    const char* name;
    Fault fault;
    const char* previousFile;  // where the previous "new.jpeg" is while the fault lasts
};

class WriteFaultTest : public ReliabilityTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void Inject(Fault fault) {
        switch (fault) {
        case Fault::FolderGone: {
            std::error_code ec;
            fs::rename(Path("shots"), Path("shots-gone"), ec);
            ASSERT_FALSE(ec) << ec.message();
            break;
        }
        case Fault::ReadOnlyFile:
            ASSERT_EQ(chmod(Path("shots/new.jpeg").c_str(), 0444), 0);
            break;
        case Fault::ClipboardHeld:
            ASSERT_OK(Send("clip-hold"));
            break;
        }
    }

    void Remove(Fault fault) {
        switch (fault) {
        case Fault::FolderGone:
            MakeFolder("shots");
            break;
        case Fault::ReadOnlyFile:
            ASSERT_EQ(chmod(Path("shots/new.jpeg").c_str(), 0644), 0);
            break;
        case Fault::ClipboardHeld:
            ASSERT_OK(Send("clip-release"));
            break;
        }
    }
};

TEST_P(WriteFaultTest, KeepsRunningThePreviousFileAndTheClipboardThenSavesOnceTheFaultIsGone) {
    const FaultCase& c = GetParam();
    MakeFolder("shots");
    WriteFile("Pictarn.ini", SettingsText(7, 64, 48, WinFolder() + "shots\\"));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(64, 48, kRed, kBlue));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    std::string previous;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("shots/new.jpeg", previous));

    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(80, 60, kGreen, kRed));
    ASSERT_NO_FATAL_FAILURE(Inject(c.fault));
    const std::set<std::string> before = Contents();
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    Pause(1000);  // several passes of the loop
    // Answering while the fault lasts (the clipboard still held): no hang.
    ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
    const std::string kept = ReadFile(c.previousFile);
    EXPECT_TRUE(kept == previous) << "the previous new.jpeg changed: " << kept.size() << " bytes, were "
                                  << previous.size();
    EXPECT_EQ(Contents(), before) << "something was written (a partial file?)";
    ASSERT_NO_FATAL_FAILURE(ExpectClipboardPicture(80, 60));

    ASSERT_NO_FATAL_FAILURE(Remove(c.fault));
    ASSERT_NO_FATAL_FAILURE(ExpectClipboardPicture(80, 60));
    RgbImage image;
    ASSERT_NO_FATAL_FAILURE(PressAndDecode("shots/new.jpeg", image));
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 48);
    EXPECT_TRUE(ShowsBands(image, kGreen, kRed));
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFaultTest,
                         ::testing::Values(FaultCase{"FolderGone", Fault::FolderGone, "shots-gone/new.jpeg"},
                                           FaultCase{"ReadOnlyFile", Fault::ReadOnlyFile, "shots/new.jpeg"},
                                           FaultCase{"ClipboardHeld", Fault::ClipboardHeld, "shots/new.jpeg"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
