#include "platform/paths.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <string>

namespace qs {
namespace {

constexpr char GARBAGE = '#';

struct JoinCase {
    const char* folder;
    const char* name;
    std::size_t capacity;
    bool fits;
    const char* joined;  // expected text when it fits
};
void PrintTo(const JoinCase& c, std::ostream* out) {
    *out << "\"" << (c.folder != nullptr ? c.folder : "(null)") << "\""
         << " + "
         << "\"" << (c.name != nullptr ? c.name : "(null)") << "\""
         << " in " << c.capacity;
}

class JoinPathTest : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathTest, JoinsWithOneBackslashOrRefuses) {
    const JoinCase& c = GetParam();
    char out[64];
    std::memset(out, GARBAGE, sizeof out);
    ASSERT_LE(c.capacity, sizeof out);
    EXPECT_EQ(JoinPath(out, c.capacity, c.folder, c.name), c.fits);
    EXPECT_STREQ(out, c.fits ? c.joined : "");
    // Nothing is written past the capacity.
    for (std::size_t i = c.capacity; i < sizeof out; ++i) ASSERT_EQ(out[i], GARBAGE) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Joins, JoinPathTest,
    testing::Values(JoinCase{"C:\\dir", "file", 64, true, "C:\\dir\\file"},
                    JoinCase{"C:\\dir\\", "file", 64, true, "C:\\dir\\file"},
                    JoinCase{"C:\\", "file", 64, true, "C:\\file"}, JoinCase{"", "name.LNK", 64, true, "\\name.LNK"},
                    JoinCase{"C:\\d", "", 64, true, "C:\\d\\"},
                    // "C:\d\f" is 6 characters: exactly fits 7, refused at 6.
                    JoinCase{"C:\\d", "f", 7, true, "C:\\d\\f"}, JoinCase{"C:\\d", "f", 6, false, nullptr},
                    JoinCase{"C:\\d\\", "f", 7, true, "C:\\d\\f"}, JoinCase{"C:\\d\\", "f", 6, false, nullptr},
                    JoinCase{"C:\\dir", "a-much-longer-name", 10, false, nullptr}, JoinCase{"", "", 1, false, nullptr},
                    JoinCase{"", "", 2, true, "\\"}));

TEST(JoinPath, OutMayBeTheFolderItself) {
    char buffer[16] = "C:\\dir";
    EXPECT_TRUE(JoinPath(buffer, sizeof buffer, buffer, "file"));
    EXPECT_STREQ(buffer, "C:\\dir\\file");
}

TEST(JoinPath, RefusesNullArgumentsAndZeroCapacity) {
    char out[8] = "x";
    EXPECT_FALSE(JoinPath(out, sizeof out, nullptr, "a"));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(JoinPath(out, sizeof out, "a", nullptr));
    out[0] = GARBAGE;
    EXPECT_FALSE(JoinPath(out, 0, "a", "b"));
    EXPECT_EQ(out[0], GARBAGE);
}

TEST(CopyAndAppendText, FitExactlyOrRefuse) {
    char out[6];
    EXPECT_TRUE(CopyText(out, sizeof out, "12345"));
    EXPECT_STREQ(out, "12345");
    EXPECT_FALSE(CopyText(out, sizeof out, "123456"));
    EXPECT_STREQ(out, "");

    ASSERT_TRUE(CopyText(out, sizeof out, "123"));
    EXPECT_TRUE(AppendText(out, sizeof out, "45"));
    EXPECT_STREQ(out, "12345");
    EXPECT_FALSE(AppendText(out, sizeof out, "6"));
    EXPECT_STREQ(out, "12345") << "a refused append leaves the text as it was";
    EXPECT_TRUE(AppendText(out, sizeof out, ""));
}

TEST(CopyAndAppendText, DecimalsAppendWholeOrNotAtAll) {
    char out[8] = "n-";
    EXPECT_TRUE(AppendDecimal(out, sizeof out, 0));
    EXPECT_TRUE(AppendDecimal(out, sizeof out, 4095));
    EXPECT_STREQ(out, "n-04095");
    EXPECT_FALSE(AppendDecimal(out, sizeof out, 12));
    EXPECT_STREQ(out, "n-04095");
    char wide[16] = "";
    EXPECT_TRUE(AppendDecimal(wide, sizeof wide, 4294967295ul));
    EXPECT_STREQ(wide, "4294967295");
}

TEST(CopyAndAppendText, AppendRefusesAnUnterminatedBuffer) {
    char out[4];
    std::memset(out, 'x', sizeof out);
    EXPECT_FALSE(AppendText(out, sizeof out, ""));
    EXPECT_EQ(std::string(out, sizeof out), "xxxx");
}

struct EditCase {
    const char* path;
    const char* stripped;  // after StripLastComponent
    const char* fileName;  // after ReduceToFileName
};
void PrintTo(const EditCase& c, std::ostream* out) { *out << "\"" << (c.path != nullptr ? c.path : "(null)") << "\""; }

class PathEditTest : public testing::TestWithParam<EditCase> {};

TEST_P(PathEditTest, EditsInPlace) {
    const EditCase& c = GetParam();
    char buffer[64];
    ASSERT_TRUE(CopyText(buffer, sizeof buffer, c.path));
    StripLastComponent(buffer);
    EXPECT_STREQ(buffer, c.stripped) << "StripLastComponent(\"" << c.path << "\")";
    ASSERT_TRUE(CopyText(buffer, sizeof buffer, c.path));
    ReduceToFileName(buffer);
    EXPECT_STREQ(buffer, c.fileName) << "ReduceToFileName(\"" << c.path << "\")";
}

INSTANTIATE_TEST_SUITE_P(Edits, PathEditTest,
                         testing::Values(EditCase{"C:\\dir\\file", "C:\\dir", "file"},
                                         EditCase{"C:\\file", "C:", "file"}, EditCase{"\\file", "", "\\file"},
                                         EditCase{"file", "file", "file"},
                                         EditCase{"C:\\dir\\setup.exe", "C:\\dir", "setup.exe"},
                                         EditCase{"setup.exe", "setup.exe", "setup.exe"},
                                         EditCase{"C:\\dir\\", "C:\\dir", ""},
                                         EditCase{"\\\\server\\share\\f", "\\\\server\\share", "f"},
                                         EditCase{"\\", "", "\\"}, EditCase{"", "", ""}));

struct RootCase {
    const char* path;
    std::size_t first;  // index where the levels below the root begin
};
void PrintTo(const RootCase& c, std::ostream* out) { *out << "\"" << (c.path != nullptr ? c.path : "(null)") << "\""; }

class SkipFolderRootTest : public testing::TestWithParam<RootCase> {};

TEST_P(SkipFolderRootTest, FindsTheFirstLevel) {
    const RootCase& c = GetParam();
    EXPECT_EQ(SkipFolderRoot(c.path), c.first) << '"' << c.path << '"';
}

INSTANTIATE_TEST_SUITE_P(Roots, SkipFolderRootTest,
                         testing::Values(RootCase{"C:\\ab", 3}, RootCase{"C:\\x\\y\\", 3}, RootCase{"C:\\", 3},
                                         RootCase{"C:", 2}, RootCase{"abcdef", 6}, RootCase{"abcd\\ef", 5},
                                         RootCase{"\\\\server\\share\\dir", 15}, RootCase{"\\\\server\\share", 14},
                                         RootCase{"\\\\server\\share\\", 15}, RootCase{"\\\\server", 8},
                                         RootCase{"", 0}));

}  // namespace
}  // namespace qs
