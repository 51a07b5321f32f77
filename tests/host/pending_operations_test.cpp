#include "platform/pending_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace qs {
namespace {

// Lists are written with '|' for each zero unit.
std::u16string Units(std::u16string_view text) {
    std::u16string units(text);
    for (char16_t& unit : units) {
        if (unit == u'|') unit = u'\0';
    }
    return units;
}

constexpr const char16_t* WRITTEN[] = {u"C:\\P\\Q\\a.exe", u"C:\\P\\Q", u"C:\\P\\Q\\\u00e9t\u00e9"};

struct WithdrawCase {
    const char* what;
    std::u16string_view before;
    std::u16string_view after;  // empty: no value is left
};

constexpr WithdrawCase WITHDRAW_CASES[] = {
    {"a written file and folder go, the list with them", u"\\??\\C:\\P\\Q\\a.exe||\\??\\C:\\P\\Q|||", u""},
    {"other deletions stay in their order; letter case does not matter, Latin-1 letters included",
     u"\\??\\C:\\k1||\\??\\c:\\p\\q\\A.EXE||\\??\\C:\\P\\Q\\\u00c9T\u00c9||\\??\\C:\\k2|||",
     u"\\??\\C:\\k1||\\??\\C:\\k2|||"},
    {"renames stay, also of a written path", u"\\??\\C:\\P\\Q\\a.exe|\\??\\C:\\P\\Q\\b.exe|||",
     u"\\??\\C:\\P\\Q\\a.exe|\\??\\C:\\P\\Q\\b.exe|||"},
    {"only whole paths with the prefix count", u"C:\\P\\Q||\\??\\C:\\P\\Q\\a.ex|||",
     u"C:\\P\\Q||\\??\\C:\\P\\Q\\a.ex|||"},
    {"a source without a target is kept as it stands", u"\\??\\C:\\P\\Q||\\??\\C:\\dangling", u"\\??\\C:\\dangling"},
};

TEST(WithdrawDeletions, TakesOutDeletionsOfWrittenPathsOnly) {
    for (const WithdrawCase& c : WITHDRAW_CASES) {
        SCOPED_TRACE(c.what);
        std::u16string units = Units(c.before);
        const std::size_t kept = WithdrawDeletions(units.data(), units.size(), WRITTEN, std::size(WRITTEN));
        EXPECT_EQ(Units(c.after), units.substr(0, kept));
    }
}

}  // namespace
}  // namespace qs
