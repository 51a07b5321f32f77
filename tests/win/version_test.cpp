// Version class and system metrics: the real system under Wine at several version
// settings, and the correction and substitute paths through the system seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "platform/version.h"
#include "tests/support/scripted_seam.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

using ::testing::ElementsAreArray;

// ---- The scripted seam (tests/support/scripted_seam.h) ---------------------------------

// RtlGetVersion answering with chosen numbers, when replace is set.
struct TrueVersion {
    bool replace = false;
    DWORD major = 0;
    DWORD minor = 0;
    LONG status = 0;
};
TrueVersion g_trueVersion;
std::vector<int> g_metricCalls;
using SystemMetricsFn = int(WINAPI*)(int);

LONG WINAPI ScriptedTrueVersion(RTL_OSVERSIONINFOW* info) {
    info->dwMajorVersion = g_trueVersion.major;
    info->dwMinorVersion = g_trueVersion.minor;
    info->dwBuildNumber = 1;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return g_trueVersion.status;
}

int WINAPI RecordingSystemMetrics(int index) {
    g_metricCalls.push_back(index);
    return reinterpret_cast<SystemMetricsFn>(test::RealFunction(MONITOR_ENTRY_POINTS[0]))(index);
}

// The script: missing modules and functions, and the true version's answer.
struct Script {
    std::set<std::string> missingModules = {};
    std::set<std::string> missingFunctions = {};
    bool replaceTrueVersion = false;
    DWORD major = 0;
    DWORD minor = 0;
    LONG status = 0;
};
void Apply(const Script& script) {
    test::g_seamScript = {.missingModules = script.missingModules, .missing = script.missingFunctions};
    test::g_seamScript.replaced[MONITOR_ENTRY_POINTS[0]] = reinterpret_cast<AnyFunction>(RecordingSystemMetrics);
    g_trueVersion = {script.replaceTrueVersion, script.major, script.minor, script.status};
    if (script.replaceTrueVersion) {
        test::g_seamScript.replaced[TRUE_VERSION_FUNCTION] = reinterpret_cast<AnyFunction>(ScriptedTrueVersion);
    }
}

// The functions looked up, in order.
std::vector<std::string> Lookups() {
    std::vector<std::string> names;
    for (const std::string& event : test::g_seamEvents) {
        if (event.rfind("find ", 0) == 0) names.push_back(event.substr(5));
    }
    return names;
}

class SeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        Apply(Script{});
        test::g_seamEvents.clear();
        g_metricCalls.clear();
        ResetMonitorEntryPoints();
        SetSystemSeam(&test::ScriptedSystem());
    }
    void TearDown() override {
        SetSystemSeam(nullptr);
        ResetMonitorEntryPoints();
    }
};

// ---- GetOsClass: the correction step -------------------------------------------------------

// The class from GetVersionExA alone, as this program sees it.
OsClass ReportedClass() {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)));
    return ClassifyOsVersion(info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}
BYTE ReportedProductType() {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
    return info.wProductType;
}

constexpr OsClass REPORTED = -100;  // expect the class of GetVersionExA's numbers

struct TrueVersionCase {
    const char* name;
    Script script;
    OsClass expected;
};

class TrueVersionTest : public SeamTest, public ::testing::WithParamInterface<TrueVersionCase> {};

TEST_P(TrueVersionTest, CorrectsTheReportedVersion) {
    const TrueVersionCase& c = GetParam();
    Apply(c.script);
    EXPECT_EQ(GetOsClass(), c.expected == REPORTED ? ReportedClass() : c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, TrueVersionTest,
    ::testing::Values(
        TrueVersionCase{"Windows10", {.replaceTrueVersion = true, .major = 10, .minor = 0}, 7},
        TrueVersionCase{"Windows81", {.replaceTrueVersion = true, .major = 6, .minor = 3}, 6},
        TrueVersionCase{"Windows11", {.replaceTrueVersion = true, .major = 11, .minor = 0}, 8},
        TrueVersionCase{"Version64", {.replaceTrueVersion = true, .major = 6, .minor = 4}, -1},
        TrueVersionCase{"BelowSixIgnored", {.replaceTrueVersion = true, .major = 5, .minor = 1}, REPORTED},
        TrueVersionCase{
            "FailingStatusIgnored", {.replaceTrueVersion = true, .major = 10, .minor = 0, .status = -1}, REPORTED},
        TrueVersionCase{"FunctionMissing", {.missingFunctions = {TRUE_VERSION_FUNCTION}}, REPORTED},
        TrueVersionCase{"ModuleMissing", {.missingModules = {NATIVE_MODULE}}, REPORTED}),
    [](const auto& param) { return std::string(param.param.name); });

// The product type stays GetVersionExA's: 6.1 is class 4 only on a workstation.
TEST_F(SeamTest, TrueVersionKeepsTheReportedProductType) {
    Apply({.replaceTrueVersion = true, .major = 6, .minor = 1});
    EXPECT_EQ(GetOsClass(), ReportedProductType() == VER_PRODUCT_WORKSTATION ? 4 : 3);
}

// ---- GetOsClass: the real system at several Wine version settings --------------------------

// Runs the probe with Wine's per-program version setting; its exit code is class + 100.
OsClass ProbeClass(const char* version) {
    static constexpr char KEY[] = "Software\\Wine\\AppDefaults\\osclass_probe.exe";
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, KEY, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(key);
    const int code = test::RunProgram(test::Quoted(test::ProgramFolder() + "\\osclass_probe.exe"));
    RegDeleteKeyA(HKEY_CURRENT_USER, KEY);
    return code - 100;
}

TEST(OsClassUnderWine, FollowsTheVersionSetting) {
    const struct {
        const char* version;
        OsClass expected;
    } cases[] = {{"win2k", 0},   {"winxp", 1}, {"win2003", 2}, {"vista", 3},
                 {"win2008", 3}, {"win8", 5},  {"win81", 6},   {"win10", 7}};
    for (const auto& c : cases) EXPECT_EQ(ProbeClass(c.version), c.expected) << c.version;
}

// Both settings report 6.1; which of them Wine presents as a workstation differs between
// Wine releases, so the check is that the product type separates them into 4 and 3.
TEST(OsClassUnderWine, SixOneSplitsByProductType) {
    const std::set<OsClass> classes = {ProbeClass("win7"), ProbeClass("win2008r2")};
    EXPECT_EQ(classes, (std::set<OsClass>{3, 4}));
}

// ---- GetMetric and GetFrameMetrics ---------------------------------------------------------

const std::vector<int> SUBSTITUTED = {METRIC_X_VIRTUAL_SCREEN,  METRIC_Y_VIRTUAL_SCREEN, METRIC_CX_VIRTUAL_SCREEN,
                                      METRIC_CY_VIRTUAL_SCREEN, METRIC_MONITORS,         METRIC_SAME_DISPLAY_FORMAT};

class MissingEntryPointTest : public SeamTest, public ::testing::WithParamInterface<int> {};

// With any one entry point missing, the look-up stops there and the substitutes answer;
// nothing is called through the looked-up GetSystemMetrics.
TEST_P(MissingEntryPointTest, SubstitutesAnswer) {
    const int missing = GetParam();
    Apply({.missingFunctions = {MONITOR_ENTRY_POINTS[missing]}});
    EXPECT_EQ(GetMetric(METRIC_X_VIRTUAL_SCREEN), 0);
    EXPECT_EQ(GetMetric(METRIC_Y_VIRTUAL_SCREEN), 0);
    EXPECT_EQ(GetMetric(METRIC_CX_VIRTUAL_SCREEN), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetMetric(METRIC_CY_VIRTUAL_SCREEN), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetMetric(METRIC_MONITORS), 1);
    EXPECT_EQ(GetMetric(METRIC_SAME_DISPLAY_FORMAT), 1);
    EXPECT_EQ(GetMetric(METRIC_CY_CAPTION), GetSystemMetrics(SM_CYCAPTION));
    EXPECT_TRUE(g_metricCalls.empty());
    const std::vector<std::string> looked(MONITOR_ENTRY_POINTS, MONITOR_ENTRY_POINTS + missing + 1);
    EXPECT_THAT(Lookups(), ElementsAreArray(looked));  // once, stopping at the missing one
}

INSTANTIATE_TEST_SUITE_P(EachEntryPoint, MissingEntryPointTest, ::testing::Range(0, MONITOR_ENTRY_POINT_COUNT));

TEST_F(SeamTest, MissingUserModuleSubstitutes) {
    Apply({.missingModules = {USER_MODULE}});
    EXPECT_EQ(GetMetric(METRIC_MONITORS), 1);
    EXPECT_EQ(GetMetric(METRIC_X_VIRTUAL_SCREEN), 0);
    EXPECT_TRUE(Lookups().empty());
}

TEST_F(SeamTest, AvailableEntryPointsAnswerThroughTheLookedUpFunction) {
    for (int index : SUBSTITUTED) EXPECT_EQ(GetMetric(index), GetSystemMetrics(index)) << index;
    EXPECT_EQ(g_metricCalls, SUBSTITUTED);
    const std::vector<std::string> all(MONITOR_ENTRY_POINTS, MONITOR_ENTRY_POINTS + MONITOR_ENTRY_POINT_COUNT);
    EXPECT_THAT(Lookups(), ElementsAreArray(all));  // looked up once for all calls
}

TEST(FrameMetrics, FixedAndSizingFrames) {
    const int padded = GetSystemMetrics(SM_CXPADDEDBORDER);
    std::int32_t border = -7;
    std::int32_t caption = -7;
    GetFrameMetrics(&border, &caption, FRAME_FIXED);
    EXPECT_EQ(border, padded + GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(caption, GetSystemMetrics(SM_CYCAPTION));
    GetFrameMetrics(&border, nullptr, 0);
    EXPECT_EQ(border, padded + GetSystemMetrics(SM_CXSIZEFRAME));
    caption = -7;
    GetFrameMetrics(nullptr, &caption, 0);
    EXPECT_EQ(caption, GetSystemMetrics(SM_CYCAPTION));
    GetFrameMetrics(nullptr, nullptr, FRAME_FIXED);  // no outputs: nothing to write
}

}  // namespace
}  // namespace qs
