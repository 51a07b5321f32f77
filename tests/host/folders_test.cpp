// Cutting paths to their root, as the shell-folder fall-backs do.
#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <string>

#include "platform/paths.h"

namespace qs {
namespace {

struct CutCase {
    const char* path;
    const char* root;  // CutToRoot's path afterwards
    int rootResult;
    const char* driveRoot;  // CutToDriveRoot's path afterwards
    int driveRootResult;
};
// Readable in test output: the path cut.
void PrintTo(const CutCase& c, std::ostream* out) { *out << "\"" << (c.path != nullptr ? c.path : "(null)") << "\""; }

class CutTest : public ::testing::TestWithParam<CutCase> {};

// The tail of each buffer is filled with a marker to show that nothing past the cut moves.
TEST_P(CutTest, CutsToTheRootAndReports) {
    const CutCase& c = GetParam();
    char root[64];
    char drive[64];
    std::memset(root, '#', sizeof root);
    std::memset(drive, '#', sizeof drive);
    std::strcpy(root, c.path);
    std::strcpy(drive, c.path);

    EXPECT_EQ(CutToRoot(root), c.rootResult);
    EXPECT_STREQ(root, c.root);
    EXPECT_EQ(CutToDriveRoot(drive), c.driveRootResult);
    EXPECT_STREQ(drive, c.driveRoot);
    EXPECT_EQ(root[sizeof root - 1], '#');
    EXPECT_EQ(drive[sizeof drive - 1], '#');
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CutTest,
    ::testing::Values(CutCase{"", "", 0, "", 0}, CutCase{"C:\\WINDOWS", "C:", 1, "C:", 1},
                      CutCase{"C:\\Program Files", "C:", 1, "C:", 1}, CutCase{"C:\\", "C:", 1, "C:", 1},
                      CutCase{"\\\\server\\share\\dir", "\\\\server", 1, "\\\\server", 1},
                      CutCase{"\\\\server", "\\\\server", 0, "\\\\server", 1}, CutCase{"C:", "C:", 0, "C:", 1},
                      CutCase{"C:dir", "C:dir", 0, "C:dir", 1}, CutCase{"relative\\dir", "relative", 1, "", 0},
                      CutCase{"relative", "relative", 0, "", 0}, CutCase{"\\dir\\sub", "\\dir", 1, "", 0},
                      CutCase{"dir\\C:\\x", "dir", 1, "", 0},
                      // Backslashes at positions 1 and 2 of a path that starts with one are passed over.
                      CutCase{"\\\\\\x\\y", "\\\\\\x", 1, "\\\\\\x", 1}, CutCase{"\\a\\b\\c", "\\a\\b", 1, "", 0}));

TEST(CutTest, NullPathIsRefused) {
    EXPECT_EQ(CutToRoot(nullptr), 0);
    EXPECT_EQ(CutToDriveRoot(nullptr), 0);
}

}  // namespace
}  // namespace qs
