#include "app/window_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/links.h"
#include "package/cipher.h"

namespace qs {
namespace {

TEST(WindowLogic, ButtonHitTestIsStrictOnEveryBorder) {
    // The shipped picture's button: (580, 414, 880, 474).
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {
        {581, 415, true},  {879, 473, true},  {730, 444, true},  {580, 444, false}, {880, 444, false},
        {730, 414, false}, {730, 474, false}, {579, 444, false}, {730, 100, false}, {0, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsInsideStrict(580, 414, 880, 474, c.x, c.y), c.inside) << c.x << "," << c.y;
    }
    // Before the first drawing the rectangle is all zero: nothing is inside.
    EXPECT_FALSE(IsInsideStrict(0, 0, 0, 0, 0, 0));
}

TEST(WindowLogic, MouseCoordinatesAreSigned16BitWords) {
    EXPECT_EQ(LowWordSigned(0x0190'0064), 100);
    EXPECT_EQ(HighWordSigned(0x0190'0064), 400);
    EXPECT_EQ(LowWordSigned(0x0000'FFFF), -1);                                // left of the client area
    EXPECT_EQ(HighWordSigned(static_cast<std::intptr_t>(0xFFFE'0000u)), -2);  // above it
}

TEST(WindowLogic, UnattendedRunFollowsTheInstalledState) {
    struct Case {
        std::int32_t installed, install, ensure;
        bool thisVersion, orphan;
        AutoRunAction action;
    };
    const Case cases[] = {
        {1, 0, 0, false, false, AutoRunAction::Uninstall},  // "-u" on an installed product
        {1, 1, 0, true, false, AutoRunAction::Uninstall},   // "-i" on an installed product, any version
        {0, 1, 0, false, true, AutoRunAction::Install},     // "-i" over an orphaned entry: reinstall
        {0, 0, 0, false, false, AutoRunAction::Nothing},    // "-u" without the product
        {0, 0, 0, false, true, AutoRunAction::Uninstall},   // "-u" over an orphaned entry
        {0, 0, 1, false, true, AutoRunAction::Install},     // "-e" without the product
        {1, 0, 1, true, false, AutoRunAction::Repair},      // "-e" on this version
        {1, 1, 1, false, false, AutoRunAction::Replace},    // "-e" on another version, "-i" beside it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseAutoRun(c.installed, c.install, c.ensure, c.thisVersion, c.orphan), c.action)
            << c.installed << c.install << c.ensure << c.thisVersion << c.orphan;
    }
}

TEST(WindowLogic, WindowIsSizedToThePicturePlusThePanel) {
    EXPECT_EQ(OuterWidth(900, 3), 906);
    EXPECT_EQ(OuterHeight(394, 3, 19), 394 + 6 + 19 + 100);
}

template <std::size_t N>
std::string Restore(const StoredLink<N>& link) {
    std::uint8_t buffer[LINK_BUFFER_SIZE] = {};
    CopyBlock(buffer, link.bytes.data(), N);
    EXPECT_EQ(LinkScrambler(LINK_SCRAMBLER_SEED, buffer, link.length()), 0);
    EXPECT_EQ(buffer[N - 1], 0) << "terminator restored within the stored length";
    return reinterpret_cast<const char*>(buffer);
}

TEST(Links, StoredLinksRestoreWithTheRunTimeScrambler) {
    EXPECT_EQ(Restore(PICTURE_LINK), "https://quill.velto.example/");
    EXPECT_EQ(Restore(COMPLETION_LINK), "https://quill.velto.example/welcome");
    // The stored bytes are not the plain text.
    EXPECT_NE(std::memcmp(PICTURE_LINK.bytes.data(), "https://", 8), 0);
    EXPECT_LE(COMPLETION_LINK.length(), LINK_BUFFER_SIZE);
}

}  // namespace
}  // namespace qs
