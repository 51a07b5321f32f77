#include <gtest/gtest.h>

#include <string>

#include "package/package.h"

namespace qs {
namespace {

TEST(IsSafeRelativeName, AcceptsPlainNamesAndSubFolders) {
    for (const char* name : {"readme.txt", "a", "Quill_Frmw_1.6.0.hex", "docs\\readme.txt", "docs/en/x", ".profile",
                             "a..b", "x.", "..x", "sub\\.hidden"}) {
        EXPECT_TRUE(IsSafeRelativeName(name, 128)) << name;
    }
}

TEST(IsSafeRelativeName, RefusesRootsParentsColonsAndEmptyParts) {
    for (const char* name :
         {"",       "C:\\x", "c:x", "x:y", "\\x",   "/x",    "\\\\srv\\share\\x", "\\\\?\\C:\\x", "..",
          ".",      "...",   ". .", ".. ", "..\\x", "x\\..", "a\\..\\b",          "a/../b",       "a\\.\\b",
          "a\\\\b", "a\\",   "a/"}) {
        EXPECT_FALSE(IsSafeRelativeName(name, 128)) << name;
    }
    EXPECT_FALSE(IsSafeRelativeName(nullptr, 128));
}

TEST(IsSafeRelativeName, NameMustEndWithinItsField) {
    const std::string longest(127, 'n');
    EXPECT_TRUE(IsSafeRelativeName(longest.c_str(), 128));
    EXPECT_FALSE(IsSafeRelativeName(longest.c_str(), 127));  // terminator is byte 128
    EXPECT_FALSE(IsSafeRelativeName("abc", 0));
}

}  // namespace
}  // namespace qs
