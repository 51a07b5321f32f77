#include "app/switches.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qs {
namespace {

struct SwitchCase {
    const char* commandLine;
    int hidden;
    int install;
    int unattended;
    int ensure = 0;
};
// Readable in test output: the command line scanned.
void PrintTo(const SwitchCase& c, std::ostream* out) {
    *out << "\"" << (c.commandLine != nullptr ? c.commandLine : "(null)") << "\"";
}

class ScanSwitchesTest : public testing::TestWithParam<SwitchCase> {};

TEST_P(ScanSwitchesTest, SetsExactlyTheExpectedFlags) {
    const SwitchCase& c = GetParam();
    SwitchFlags values;
    ScanSwitches(c.commandLine, values);
    EXPECT_EQ(values.hiddenSwitch, c.hidden) << '"' << (c.commandLine ? c.commandLine : "(null)") << '"';
    EXPECT_EQ(values.installSwitch, c.install) << '"' << (c.commandLine ? c.commandLine : "(null)") << '"';
    EXPECT_EQ(values.unattendedSwitch, c.unattended) << '"' << (c.commandLine ? c.commandLine : "(null)") << '"';
    EXPECT_EQ(values.ensureSwitch, c.ensure) << '"' << (c.commandLine ? c.commandLine : "(null)") << '"';
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ScanSwitchesTest,
    testing::Values(SwitchCase{nullptr, 0, 0, 0}, SwitchCase{"", 0, 0, 0}, SwitchCase{"-", 0, 0, 0},
                    SwitchCase{"h", 0, 0, 0}, SwitchCase{"-h", 1, 0, 0}, SwitchCase{"-H", 1, 0, 0},
                    SwitchCase{"-i", 0, 1, 0}, SwitchCase{"-I", 0, 0, 0}, SwitchCase{"-u", 0, 0, 1},
                    SwitchCase{"-U", 0, 0, 1}, SwitchCase{"-hiu", 1, 0, 0}, SwitchCase{"--h", 0, 0, 0},
                    SwitchCase{"-h-u", 1, 0, 1}, SwitchCase{"-h -i -u", 1, 1, 1}, SwitchCase{"-i -i -i", 0, 1, 0},
                    SwitchCase{"word-u", 0, 0, 1}, SwitchCase{"C:\\my-uploads\\x", 0, 0, 1},
                    SwitchCase{"-x -y", 0, 0, 0}, SwitchCase{"  -h", 1, 0, 0}, SwitchCase{"ab-", 0, 0, 0},
                    SwitchCase{"-e", 0, 0, 0, 1}, SwitchCase{"-h -E", 1, 0, 0, 1}, SwitchCase{"-i -e", 0, 1, 0, 1}));

TEST(ScanSwitches, NeverClearsAFlagAlreadySet) {
    SwitchFlags values;
    values.installSwitch = 1;
    ScanSwitches("-h", values);
    EXPECT_EQ(values.installSwitch, 1);
    EXPECT_EQ(values.hiddenSwitch, 1);
}

}  // namespace
}  // namespace qs
