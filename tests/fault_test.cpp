// Faults around the screenshot run on the simulated desktop: writes that fail
// part-way (injected, and a real filesystem that fills up), folders that are
// missing, read-only or gone, odd and overlong paths, and settings far outside
// the settings window's ranges. Whatever happens, the program runs on, the
// previous "new.jpeg" stays byte for byte as it was, no partial file is left,
// the clipboard keeps its picture when nothing was written, and the next press
// works once the fault is gone.
#include "app/app_loop.hpp"
#include "platform/common/cp1251.hpp"
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_scale.hpp"
#include "platform/common/jpeg_write.hpp"
#include "settings/settings.hpp"
#include "support/dib_builder.hpp"
#include "support/jpeg_markers.hpp"
#include "support/sim_app.hpp"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace platform;
using testsupport::BuildDib;
using testsupport::DecodeJpeg;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace fs = std::filesystem;

namespace {

// The first screenshot of every test: flat blue.
std::vector<std::uint8_t> BlueScreen(int width = 64, int height = 48) {
    return BuildDib(std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, 0x0000FF), width, height,
                    {});
}

// The second: noise, which compresses badly and so makes a large file.
std::vector<std::uint8_t> NoiseScreen(int width = 64, int height = 48) {
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(width) * height);
    std::uint32_t state = 12345;
    for (std::uint32_t& pixel : rgb) {
        state = state * 1664525u + 1013904223u;
        pixel = state >> 8;
    }
    return BuildDib(rgb, width, height, {});
}

// A tmpfs mounted over a folder for the length of a test; needs the right to
// mount (root, or a user namespace that grants it).
class TmpfsMount {
public:
    TmpfsMount() = default;
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount() {
        if (!mounted_.empty() && ::umount(mounted_.c_str()) != 0) ::umount2(mounted_.c_str(), MNT_DETACH);
    }

    // Empty text on success, else why mounting is not possible here.
    std::string Mount(const std::string& folder, const std::string& options) {
        if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            return "cannot mount a tmpfs here: " + std::string(std::strerror(errno));
        }
        mounted_ = folder;
        options_ = options;
        return {};
    }
    bool SetReadOnly(bool readOnly) {
        return ::mount(nullptr, mounted_.c_str(), nullptr, MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0),
                       options_.c_str()) == 0;
    }

private:
    std::string mounted_;
    std::string options_;
};

// The file's bytes; empty when there is no regular file at `path`.
std::vector<std::uint8_t> Contents(const std::string& path) {
    return fs::is_regular_file(path) ? ReadFileBytes(path) : std::vector<std::uint8_t>{};
}

class FaultTest : public testsupport::SimAppTest {
protected:
    void TearDown() override {
        JpegFailNextWriteAfter(-1);
        SimAppTest::TearDown();
    }

    void StartWith(int quality, int width, int height, const std::string& folder) {
        WriteIni(std::to_string(quality) + "\r\n" + std::to_string(width) + "\r\n" + std::to_string(height) + "\r\n" +
                 folder + "\r\n");
        WriteIcon();
        Start();
    }
    // One press of Print Screen with `screen` on the clipboard, seen in the
    // next pass; the program must still be running afterwards.
    void Press(const std::vector<std::uint8_t>& screen) {
        sim::ClipboardSetDib(screen);
        sim::KeyTap(KEY_PRINT_SCREEN);
        ASSERT_FALSE(Pass().has_value()) << "the program ended";
    }
    // A first screenshot, so that there is a previous file to lose.
    std::vector<std::uint8_t> WriteFirstScreenshot(const std::string& folder) {
        Press(BlueScreen());
        std::vector<std::uint8_t> first = ReadFileBytes(folder + "new.jpeg");
        EXPECT_TRUE(DecodeJpeg(first).ok);
        EXPECT_EQ(sim::ClipboardEmptyCount(), 1);
        return first;
    }
    // After a press that must not have written: the previous file as it was
    // (absent stays absent), no partial file, the picture still on the
    // clipboard, which was not emptied again.
    void ExpectNothingWritten(const std::string& path, const std::vector<std::uint8_t>& previous, int emptiedBefore) {
        EXPECT_EQ(Contents(path), previous);
        EXPECT_FALSE(fs::exists(path + ".part"));
        EXPECT_TRUE(sim::ClipboardHasDib());
        EXPECT_EQ(sim::ClipboardEmptyCount(), emptiedBefore);
    }
    // The next press writes the noise picture at `width` x `height`.
    void ExpectNextPressWrites(const std::string& path, int width, int height) {
        const int emptied = sim::ClipboardEmptyCount();
        Press(NoiseScreen());
        const auto jpeg = DecodeJpeg(ReadFileBytes(path));
        ASSERT_TRUE(jpeg.ok);
        EXPECT_EQ(jpeg.width, width);
        EXPECT_EQ(jpeg.height, height);
        EXPECT_FALSE(sim::ClipboardHasDib());
        EXPECT_EQ(sim::ClipboardEmptyCount(), emptied + 1);
        EXPECT_FALSE(fs::exists(path + ".part"));
    }
    // Size of the file the noise picture gives at these settings, written by
    // the same steps into a scratch file.
    long NoiseJpegSize(int width, int height, int quality) {
        const auto block = NoiseScreen();
        auto picture = DecodeDib(block.data(), block.size());
        auto scaled = ScalePicture(*picture, width, height);
        const std::string probe = Dir() + "probe.jpeg";
        EXPECT_TRUE(JpegWriteFile(probe, *scaled, quality));
        const long size = static_cast<long>(fs::file_size(probe));
        fs::remove(probe);
        return size;
    }
};

// ---- The disk fills during the write -----------------------------------------------

TEST_F(FaultTest, AWriteFailingAtAnyByteKeepsThePreviousScreenshot) {
    StartWith(9, 40, 30, Dir());
    const std::string path = Dir() + "new.jpeg";
    const auto previous = WriteFirstScreenshot(Dir());
    const long size = NoiseJpegSize(40, 30, 9);
    ASSERT_GT(size, 1000);

    struct Case {
        const char* where;
        long failAfter;
        bool written;
    };
    const Case cases[] = {
        {"first byte", 0, false},
        {"second byte", 1, false},
        {"middle", size / 2, false},
        {"last byte", size - 1, false},
        {"after the last byte was handed on", size, false},
        {"one byte past the file", size + 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const int emptied = sim::ClipboardEmptyCount();
        JpegFailNextWriteAfter(c.failAfter);
        Press(NoiseScreen());
        if (c.written) {
            EXPECT_EQ(static_cast<long>(fs::file_size(path)), size);
            EXPECT_FALSE(sim::ClipboardHasDib());
        } else {
            ExpectNothingWritten(path, previous, emptied);
            ExpectNextPressWrites(path, 40, 30);
        }
        // Back to the first picture for the next case.
        WriteFileBytes(path, previous);
    }
}

TEST_F(FaultTest, AFullRealFilesystemKeepsThePreviousScreenshot) {
    const std::string tiny = Dir() + "tiny/";
    fs::create_directory(tiny);
    TmpfsMount mount;
    if (const std::string why = mount.Mount(tiny, "size=64k,mode=0755"); !why.empty()) GTEST_SKIP() << why;

    StartWith(10, 64, 48, tiny);
    const std::string path = tiny + "new.jpeg";
    const auto previous = WriteFirstScreenshot(tiny);
    const long size = NoiseJpegSize(64, 48, 10);

    // Room left after filling the rest with a filler file; the noise JPEG
    // (several pages) fits in none of them.
    for (long room : {0L, 4096L, size / 2}) {
        SCOPED_TRACE("room " + std::to_string(room));
        const std::string filler = tiny + "filler";
        {
            const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(fd, 0);
            const std::vector<char> page(4096, 'f');
            while (::write(fd, page.data(), page.size()) > 0) {
            }
            ASSERT_EQ(errno, ENOSPC);
            ::close(fd);
        }
        ASSERT_EQ(::truncate(filler.c_str(), static_cast<off_t>(fs::file_size(filler)) - room), 0);
        ASSERT_LT(static_cast<long>(fs::space(tiny).available), size);

        const int emptied = sim::ClipboardEmptyCount();
        Press(NoiseScreen());
        ExpectNothingWritten(path, previous, emptied);

        fs::remove(filler);
        ExpectNextPressWrites(path, 64, 48);
        WriteFileBytes(path, previous);
    }
}

// ---- Folders that go wrong between presses ------------------------------------

TEST_F(FaultTest, FolderFaultsWriteNothingAndTheNextPressWorksOnceMended) {
    const std::string shots = Dir() + "shots/";
    const std::string path = shots + "new.jpeg";
    struct Case {
        const char* what;
        bool previousSurvives;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
    };
    const Case cases[] = {
        {"folder removed", false, [&] { fs::remove_all(shots); }, [&] { fs::create_directory(shots); }},
        {"folder replaced by a file", false,
         [&] {
             fs::remove_all(shots);
             WriteFile("shots", "not a folder");
         },
         [&] {
             fs::remove(Dir() + "shots");
             fs::create_directory(shots);
         }},
        {"new.jpeg without write permission", true, [&] { fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); },
         [&] { fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write); }},
        {"new.jpeg is a folder", false,
         [&] {
             fs::remove(path);
             fs::create_directory(path);
         },
         [&] { fs::remove(path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        fs::remove_all(shots);
        fs::create_directory(shots);
        StartWith(7, 40, 30, shots);
        const auto first = WriteFirstScreenshot(shots);

        c.breakIt();
        const auto before = Contents(path);
        EXPECT_EQ(before.empty(), !c.previousSurvives);
        Press(NoiseScreen());
        ExpectNothingWritten(path, before, 1);
        if (c.previousSurvives) {
            EXPECT_EQ(ReadFileBytes(path), first);
        }

        c.mendIt();
        ExpectNextPressWrites(path, 40, 30);
    }
}

// Root writes into folders whatever their permission bits say, so as root the
// folder is made read-only through its filesystem.
TEST_F(FaultTest, AFolderThatIsNotWritableKeepsThePreviousScreenshot) {
    const std::string shots = Dir() + "shots/";
    fs::create_directory(shots);
    TmpfsMount mount;
    std::function<void(bool)> setReadOnly;
    if (::geteuid() == 0) {
        if (const std::string why = mount.Mount(shots, "size=1m,mode=0755"); !why.empty()) GTEST_SKIP() << why;
        setReadOnly = [&](bool readOnly) { ASSERT_TRUE(mount.SetReadOnly(readOnly)) << std::strerror(errno); };
    } else {
        setReadOnly = [&](bool readOnly) { fs::permissions(shots, readOnly ? fs::perms(0555) : fs::perms(0755)); };
    }

    StartWith(7, 40, 30, shots);
    const std::string path = shots + "new.jpeg";
    const auto previous = WriteFirstScreenshot(shots);
    setReadOnly(true);
    const int probe = ::open((shots + "probe").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_LT(probe, 0) << "the folder is still writable";

    Press(NoiseScreen());
    ExpectNothingWritten(path, previous, 1);

    setReadOnly(false);
    ExpectNextPressWrites(path, 40, 30);
}

// ---- Paths ---------------------------------------------------------------------

TEST_F(FaultTest, ACyrillicFolderNameInCodePage1251Works) {
    constexpr auto kShots = Cp1251(u8"Снимки");
    const std::string name = kShots.str();
    ASSERT_EQ(name, "\xD1\xED\xE8\xEC\xEA\xE8");
    const std::string folder = Dir() + name + "/";
    fs::create_directory(folder);
    StartWith(7, 40, 30, folder);
    EXPECT_EQ(settings.folder, folder);

    Press(NoiseScreen());
    EXPECT_TRUE(DecodeJpeg(ReadFileBytes(folder + "new.jpeg")).ok);
    EXPECT_FALSE(sim::ClipboardHasDib());
    // The bytes went to the file system unchanged: exactly one folder, named
    // by them.
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(Dir())) {
        if (entry.is_directory()) entries.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(entries, std::vector<std::string>{name});
}

// `depth` nested folders named `component` below `base`, made and removed
// one level at a time: the whole path may be longer than the system accepts,
// and then nothing can name it in one piece (remove_all included).
class NestedFolders {
public:
    NestedFolders(const std::string& base, const std::string& component, int depth)
        : base_(base), component_(component), path_(base) {
        WithBaseAsCurrent([&] {
            for (; depth_ < depth; ++depth_) {
                if (::mkdir(component_.c_str(), 0755) != 0 || ::chdir(component_.c_str()) != 0) break;
                path_ += component_ + "/";
            }
        });
    }
    ~NestedFolders() {
        WithBaseAsCurrent([&] {
            int entered = 0;
            while (entered < depth_ && ::chdir(component_.c_str()) == 0) ++entered;
            ::unlink("new.jpeg");
            for (; entered > 0; --entered) {
                if (::chdir("..") != 0 || ::rmdir(component_.c_str()) != 0) break;
            }
        });
    }
    NestedFolders(const NestedFolders&) = delete;
    NestedFolders& operator=(const NestedFolders&) = delete;

    const std::string& Path() const { return path_; }

private:
    void WithBaseAsCurrent(const std::function<void()>& action) {
        const int start = ::open(".", O_RDONLY | O_DIRECTORY);
        if (start < 0) return;
        if (::chdir(base_.c_str()) == 0) action();
        if (::fchdir(start) != 0) std::abort();
        ::close(start);
    }

    std::string base_;
    std::string component_;
    std::string path_;
    int depth_ = 0;
};

TEST_F(FaultTest, PathsLongerThanTheSystemAllowsFailCleanly) {
    // 25 folders of 199 bytes: the whole path passes 5000 bytes (PATH_MAX is
    // 4096), while the same tree cut at 15 levels stays within it.
    const std::string component(199, 'd');
    const NestedFolders tree(Dir(), component, 25);
    const std::string deep = tree.Path();
    ASSERT_GT(deep.size(), 5000u);
    const std::string shallow = deep.substr(0, Dir().size() + 15 * (component.size() + 1));
    ASSERT_LT(shallow.size() + 8, 4096u);

    struct Case {
        const char* what;
        std::string folder;
        std::string file;  // what gets written, if anything
    };
    const std::string longName(247, 'n');
    const Case cases[] = {
        {"5000-byte path through existing folders", deep, ""},
        {"the same folders within the limit", shallow, shallow + "new.jpeg"},
        {"a folder name of 300 bytes", Dir() + std::string(300, 'c') + "/", ""},
        {"a file name of 256 bytes", Dir() + std::string(248, 'f'), ""},
        {"a file name of exactly 255 bytes", Dir() + longName, Dir() + longName + "new.jpeg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        StartWith(7, 40, 30, c.folder);
        Press(NoiseScreen());
        if (c.file.empty()) {
            EXPECT_TRUE(sim::ClipboardHasDib());
            EXPECT_EQ(sim::ClipboardEmptyCount(), 0);
        } else {
            EXPECT_TRUE(DecodeJpeg(ReadFileBytes(c.file)).ok);
            EXPECT_FALSE(sim::ClipboardHasDib());
            fs::remove(c.file);
        }
    }
    // Nothing was left anywhere in the test folder but the tree itself.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Dir())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"1.ico", "Pictarn.ini", component}));
}

// ---- Settings outside the settings window's ranges ------------------------------

TEST_F(FaultTest, HugeSizesEitherWriteTheClipboardSizeOrNothing) {
    // 64 x 48 on the clipboard. Sizes wider or higher than libjpeg's 65500 are
    // refused by the JPEG step; sizes too large to make leave the capture
    // unscaled, as do sizes of zero or less in either direction.
    struct Case {
        int width, height;
        bool written;
        int fileWidth, fileHeight;
    };
    const Case cases[] = {
        {70000, 10, false, 0, 0},     {10, 70000, false, 0, 0},  {70000, 70000, true, 64, 48},
        {70000, 0, true, 64, 48},     {-5, 70000, true, 64, 48}, {65500, 1, true, 65500, 1},
        {-70000, -70000, true, 64, 48},
    };
    const std::string path = Dir() + "new.jpeg";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        sim::Reset();
        fs::remove(path);
        StartWith(7, 40, 30, Dir());
        const auto previous = WriteFirstScreenshot(Dir());

        settings.width = c.width;
        settings.height = c.height;
        Press(NoiseScreen());
        if (!c.written) {
            ExpectNothingWritten(path, previous, 1);
            settings.width = 40;
            settings.height = 30;
            ExpectNextPressWrites(path, 40, 30);
            continue;
        }
        const auto markers = testsupport::InspectJpeg(ReadFileBytes(path));
        ASSERT_TRUE(markers.valid);
        EXPECT_EQ(markers.width, c.fileWidth);
        EXPECT_EQ(markers.height, c.fileHeight);
        EXPECT_FALSE(sim::ClipboardHasDib());
    }
}

TEST_F(FaultTest, QualitiesOutsideOneToTenWriteLikeTheNearestEnd) {
    // -3 must give exactly the file of quality 0, and 50 that of quality 10.
    struct Case {
        int quality;
        int sameAs;
    };
    const Case cases[] = {{-3, 0}, {50, 10}, {-2147483647 - 1, 0}, {2147483647, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        std::vector<std::uint8_t> files[2];
        for (int i = 0; i < 2; ++i) {
            sim::Reset();
            fs::remove(Dir() + "new.jpeg");
            StartWith(i == 0 ? c.quality : c.sameAs, 40, 30, Dir());
            Press(NoiseScreen());
            files[i] = ReadFileBytes(Dir() + "new.jpeg");
        }
        ASSERT_TRUE(DecodeJpeg(files[0]).ok);
        EXPECT_EQ(files[0], files[1]);
        const auto markers = testsupport::InspectJpeg(files[0]);
        EXPECT_EQ(markers.frameMarker, c.sameAs == 0 ? 0xC1 : 0xC0);
        EXPECT_EQ(markers.tables[0].zigzag[0], c.sameAs == 0 ? 800 : 1);
    }
}

}  // namespace
