#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

TEST(FormatText, FillsPlaceholdersInOrder) {
    struct Case {
        const char* format;
        const char* first;
        const char* second;
        const char* expected;
    } cases[] = {
        {"Velto %s Installation (Version %s)", "Quillstation", "1.0.7.6",
         "Velto Quillstation Installation (Version 1.0.7.6)"},
        {"%s Installation Error", "Quillstation", nullptr, "Quillstation Installation Error"},
        {"at\n%s.", "https://x.example", nullptr, "at\nhttps://x.example."},
        {"no placeholder", "ignored", nullptr, "no placeholder"},
        {"%s and %s", "one", nullptr, "one and "},
        {"100%% of %s", "it", nullptr, "100% of it"},
        {"%d stays", nullptr, nullptr, "%d stays"},
        {"", nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        char out[128];
        EXPECT_TRUE(FormatText(out, sizeof out, c.format, c.first, c.second)) << c.format;
        EXPECT_STREQ(out, c.expected) << c.format;
    }
}

TEST(FormatText, CutsToTheBufferAndSaysSo) {
    char out[8];
    EXPECT_FALSE(FormatText(out, sizeof out, "%s!", "abcdefghij"));
    EXPECT_STREQ(out, "abcdefg");
    EXPECT_TRUE(FormatText(out, sizeof out, "%s", "abcdefg"));
    EXPECT_STREQ(out, "abcdefg");
    char one[1] = {'x'};
    EXPECT_FALSE(FormatText(one, sizeof one, "a"));
    EXPECT_EQ(one[0], '\0');
    EXPECT_FALSE(FormatText(one, 0, "a"));
}

}  // namespace
}  // namespace qs
