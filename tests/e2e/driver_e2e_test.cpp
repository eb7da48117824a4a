// The test driver on its own, without Pictarn: what the other tests rely on
// when they put pictures on the clipboard and read it back.
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

using DriverTest = PictarnTest;

TEST_F(DriverTest, ClipboardCommandsPutReadAndEmptyThePicture) {
    EXPECT_FALSE(ClipboardHasPicture());
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(64, 48, {255, 0, 0}, {0, 0, 255}));
    const Reply info = Send("clip-dib-info");
    ASSERT_OK(info);
    EXPECT_EQ(info.Int(0), 64);
    EXPECT_EQ(info.Int(1), 48);
    EXPECT_EQ(info.Int(2), 24);

    ASSERT_OK(Send("clip-text " + ToHex(ru::kSettings)));
    EXPECT_FALSE(ClipboardHasPicture()) << "text replaces the picture";
    ASSERT_OK(Send("clip-empty"));
    EXPECT_EQ(Send("clip-count")[0], "0");

    ASSERT_OK(Send("clip-hold"));
    EXPECT_TRUE(Send("clip-release").ok);
    EXPECT_FALSE(Send("clip-release").ok) << "released twice";
    const Reply unknown = Send("no-such-command");
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown[0], "unknown-command");
}

}  // namespace
}  // namespace e2e
