#include "app/layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qs {
namespace {

std::string Show(const LayoutRect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", r.left, r.top, r.right, r.bottom);
    return text;
}

// The shipped picture is 900 x 394; a client area of 900 x 494.
TEST(ComputeLayout, ShippedPictureGivesTheKnownFigures) {
    const WindowLayout l = ComputeLayout(900, 394);
    struct Row {
        const char* name;
        LayoutRect got;
        LayoutRect want;
    } rows[] = {
        {"picture", l.picture, {0, 0, 900, 394}},
        {"versionLine", l.versionLine, {15, 10, 900, 394}},
        {"panel", l.panel, {0, 394, 900, 494}},
        {"panelFill", l.panelFill, {0, 394, 901, 495}},
        {"panelLine1", l.panelLine1, {20, 424, 900, 494}},
        {"panelLine2", l.panelLine2, {20, 444, 900, 494}},
        {"button", l.button, {580, 414, 880, 474}},
        {"installingBand", l.installingBand, {580, 414, 880, 459}},
        {"statusBand", l.statusBand, {580, 454, 880, 474}},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.name << " is " << Show(row.got);
    EXPECT_EQ(l.buttonOutline, (RoundRectCall{{580, 414, 881, 475}, 8, 8})) << Show(l.buttonOutline.rect);
}

// Every figure follows the picture's size, including the collapsed layout of a picture
// that could not be loaded (0 x 0) and a picture narrower than the button.
TEST(ComputeLayout, FollowsThePictureSize) {
    struct Case {
        std::int32_t w, h;
    } cases[] = {{0, 0}, {640, 200}, {1200, 600}, {100, 50}};
    for (const Case& c : cases) {
        const WindowLayout l = ComputeLayout(c.w, c.h);
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        EXPECT_EQ(l.picture, (LayoutRect{0, 0, c.w, c.h}));
        EXPECT_EQ(l.versionLine, (LayoutRect{15, 10, c.w, c.h}));
        EXPECT_EQ(l.panel, (LayoutRect{0, c.h, c.w, c.h + 100}));
        EXPECT_EQ(l.panelFill, (LayoutRect{0, c.h, c.w + 1, c.h + 101}));
        EXPECT_EQ(l.panelLine1, (LayoutRect{20, c.h + 30, c.w, c.h + 100}));
        EXPECT_EQ(l.panelLine2, (LayoutRect{20, c.h + 50, c.w, c.h + 100}));
        EXPECT_EQ(l.button, (LayoutRect{c.w - 320, c.h + 20, c.w - 20, c.h + 80}));
        EXPECT_EQ(l.buttonOutline, (RoundRectCall{{c.w - 320, c.h + 20, c.w - 19, c.h + 81}, 8, 8}));
        EXPECT_EQ(l.installingBand, (LayoutRect{c.w - 320, c.h + 20, c.w - 20, c.h + 65}));
        EXPECT_EQ(l.statusBand, (LayoutRect{c.w - 320, c.h + 60, c.w - 20, c.h + 80}));
    }
}

TEST(VersionLineText, WholeTable) {
    struct Case {
        std::int32_t osClass;
        const char* text;
    } cases[] = {
        {0, "O/S: < XP"},
        {1, "O/S: WIN XP"},
        {2, "O/S: unknown"},
        {3, "O/S: VISTA"},
        {4, "O/S: WIN7"},
        {5, "O/S: > WIN7"},
        {6, "O/S: > WIN7"},
        {7, "O/S: > WIN7"},
        {8, "O/S: > WIN7"},
        {-1, "O/S: unknown"},
        {9, "O/S: unknown"},
        {-2, "O/S: unknown"},
        {INT32_MIN, "O/S: unknown"},
        {INT32_MAX, "O/S: unknown"},
    };
    for (const Case& c : cases) EXPECT_STREQ(VersionLineText(c.osClass), c.text) << "class " << c.osClass;
}

TEST(InstalledTexts, WholeTable) {
    struct Case {
        std::int32_t installed;
        const char* label;
        const char* line1;
        const char* line2;
    } cases[] = {
        {0, "Install", "Ready to install ? Click the button right there...",
         "it will install Quillstation on your system..."},
        {1, "Remove", "Quillstation is already installed...",
         "previous version has to be removed before installing new one..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed);
        EXPECT_STREQ(ButtonLabel(c.installed), c.label);
        char line[PANEL_TEXT_SIZE];
        std::memset(line, '#', sizeof line);
        FormatPanelLine1(c.installed, line, sizeof line);
        EXPECT_STREQ(line, c.line1);
        std::memset(line, '#', sizeof line);
        FormatPanelLine2(c.installed, line, sizeof line);
        EXPECT_STREQ(line, c.line2);
    }
}

TEST(InstalledTexts, SmallBufferIsCutAndTerminatedNeverOverrun) {
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    FormatPanelLine2(1, buffer, 8);
    EXPECT_STREQ(buffer, "previou");
    EXPECT_EQ(buffer[8], '#');
    FormatPanelLine1(0, buffer, 0);  // no room at all: nothing written
    EXPECT_EQ(buffer[0], 'p');
}

}  // namespace
}  // namespace qs
