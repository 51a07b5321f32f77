// Classification of Windows versions.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>

#include "platform/version.h"

namespace qs {
namespace {

struct VersionCase {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint8_t productType;
    OsClass expected;
};
// Readable in test output: the version and product type classified.
void PrintTo(const VersionCase& c, std::ostream* out) {
    *out << c.major << "." << c.minor << " type " << static_cast<int>(c.productType);
}

class ClassifyTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ClassifyTest, GivesTheClass) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(ClassifyOsVersion(c.major, c.minor, c.productType), c.expected)
        << c.major << "." << c.minor << " type " << int{c.productType};
}

constexpr std::uint8_t WORKSTATION = 1;
constexpr std::uint8_t DOMAIN_CONTROLLER = 2;
constexpr std::uint8_t SERVER = 3;
constexpr std::uint8_t SHORT_RECORD = 0;  // only the short version record could be read

INSTANTIATE_TEST_SUITE_P(
    Versions, ClassifyTest,
    ::testing::Values(
        VersionCase{5, 0, WORKSTATION, 0}, VersionCase{5, 1, WORKSTATION, 1}, VersionCase{5, 2, SERVER, 2},
        VersionCase{5, 2, WORKSTATION, 2}, VersionCase{4, 0, SHORT_RECORD, 0}, VersionCase{4, 10, SHORT_RECORD, 1},
        VersionCase{4, 90, SHORT_RECORD, 1}, VersionCase{3, 2, SHORT_RECORD, 2}, VersionCase{0, 0, SHORT_RECORD, 0},
        VersionCase{5, 3, WORKSTATION, 1}, VersionCase{6, 0, WORKSTATION, 3}, VersionCase{6, 0, SERVER, 3},
        VersionCase{6, 1, WORKSTATION, 4}, VersionCase{6, 1, SERVER, 3}, VersionCase{6, 1, DOMAIN_CONTROLLER, 3},
        VersionCase{6, 1, SHORT_RECORD, 3}, VersionCase{6, 2, WORKSTATION, 5}, VersionCase{6, 2, SERVER, 5},
        VersionCase{6, 3, WORKSTATION, 6}, VersionCase{6, 3, SERVER, 6}, VersionCase{6, 4, WORKSTATION, -1},
        VersionCase{6, 0xFFFFFFFFu, WORKSTATION, -1}, VersionCase{7, 0, WORKSTATION, -1},
        VersionCase{8, 1, WORKSTATION, -1}, VersionCase{9, 9, WORKSTATION, -1}, VersionCase{10, 0, WORKSTATION, 7},
        VersionCase{10, 5, SERVER, 7}, VersionCase{11, 0, WORKSTATION, 8}, VersionCase{12, 3, WORKSTATION, 8},
        // Compared unsigned: the highest numbers are above 11, not negative.
        VersionCase{0xFFFFFFFFu, 0, WORKSTATION, 8}, VersionCase{0x80000000u, 2, WORKSTATION, 8}));

}  // namespace
}  // namespace qs
