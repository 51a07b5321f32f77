// The running Windows version and the system metrics of the window frame.
#include <windows.h>

#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "platform/version.h"

namespace qs {
namespace {

using TrueVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
using SystemMetricsFn = int(WINAPI*)(int);

constexpr LONG STATUS_OK = 0;
constexpr int SYSTEM_METRICS_ENTRY = 0;
constexpr int MONITOR_INFO_ENTRY = MONITOR_ENTRY_POINT_COUNT - 1;

// The metric indices of version.h (portable, so written as numbers) are the SDK's.
static_assert(METRIC_CX_SCREEN == SM_CXSCREEN && METRIC_CY_SCREEN == SM_CYSCREEN && METRIC_CY_CAPTION == SM_CYCAPTION);
static_assert(METRIC_CX_FIXED_FRAME == SM_CXFIXEDFRAME && METRIC_CX_SIZE_FRAME == SM_CXSIZEFRAME);
static_assert(METRIC_X_VIRTUAL_SCREEN == SM_XVIRTUALSCREEN && METRIC_Y_VIRTUAL_SCREEN == SM_YVIRTUALSCREEN);
static_assert(METRIC_CX_VIRTUAL_SCREEN == SM_CXVIRTUALSCREEN && METRIC_CY_VIRTUAL_SCREEN == SM_CYVIRTUALSCREEN);
static_assert(METRIC_MONITORS == SM_CMONITORS && METRIC_SAME_DISPLAY_FORMAT == SM_SAMEDISPLAYFORMAT);
static_assert(METRIC_CX_PADDED_BORDER == SM_CXPADDEDBORDER && VER_PRODUCT_WORKSTATION == VER_NT_WORKSTATION);
static_assert(sizeof(OSVERSIONINFOEXA) == 156);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(RTL_OSVERSIONINFOW) == 276);

// Either all six addresses are set or all are null; looked up once per process.
struct MonitorEntryPoints {
    std::int32_t lookedUp;
    AnyFunction functions[MONITOR_ENTRY_POINT_COUNT];
};

MonitorEntryPoints g_monitor = {};

bool ReadReportedVersion(OSVERSIONINFOEXA& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE) return true;
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
}

// GetVersionExA stops at 6.2 for programs whose manifest does not name later systems;
// the native layer reports the true numbers. Product type and service pack stay.
void ApplyTrueVersion(OSVERSIONINFOEXA& info) {
    const auto trueVersion = FindSystemFunction<TrueVersionFn>(NATIVE_MODULE, TRUE_VERSION_FUNCTION);
    if (trueVersion == nullptr) return;
    RTL_OSVERSIONINFOW native = {};
    native.dwOSVersionInfoSize = sizeof native;
    if (trueVersion(&native) != STATUS_OK || native.dwMajorVersion < TRUE_VERSION_MIN_MAJOR) return;
    info.dwMajorVersion = native.dwMajorVersion;
    info.dwMinorVersion = native.dwMinorVersion;
    info.dwBuildNumber = native.dwBuildNumber;
    info.dwPlatformId = native.dwPlatformId;
}

// Looks the six entry points up once. 1 when all of them are available.
int LoadMonitorEntryPoints() {
    if (g_monitor.lookedUp != 0) return g_monitor.functions[MONITOR_INFO_ENTRY] != nullptr ? 1 : 0;
    g_monitor.lookedUp = 1;
    const HMODULE user = System().findModule(USER_MODULE);
    bool complete = user != nullptr;
    for (int i = 0; complete && i < MONITOR_ENTRY_POINT_COUNT; ++i) {
        g_monitor.functions[i] = System().findFunction(user, MONITOR_ENTRY_POINTS[i]);
        complete = g_monitor.functions[i] != nullptr;
    }
    if (!complete) {
        for (AnyFunction& function : g_monitor.functions) function = nullptr;
        return 0;
    }
    return 1;
}

std::int32_t SubstituteMetric(std::int32_t index) {
    switch (index) {
        case METRIC_X_VIRTUAL_SCREEN:
        case METRIC_Y_VIRTUAL_SCREEN:
            return SUBSTITUTE_VIRTUAL_ORIGIN;
        case METRIC_CX_VIRTUAL_SCREEN:
            return ::GetSystemMetrics(METRIC_CX_SCREEN);
        case METRIC_CY_VIRTUAL_SCREEN:
            return ::GetSystemMetrics(METRIC_CY_SCREEN);
        case METRIC_MONITORS:
            return SUBSTITUTE_MONITORS;
        case METRIC_SAME_DISPLAY_FORMAT:
            return SUBSTITUTE_SAME_DISPLAY_FORMAT;
        default:
            return ::GetSystemMetrics(index);
    }
}

}  // namespace

OsClass GetOsClass() {
    OSVERSIONINFOEXA info;
    if (!ReadReportedVersion(info)) return OS_CLASS_UNKNOWN;
    ApplyTrueVersion(info);
    return ClassifyOsVersion(info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}

std::int32_t GetMetric(std::int32_t index) {
    if (LoadMonitorEntryPoints() == 0) return SubstituteMetric(index);
    const auto systemMetrics = reinterpret_cast<SystemMetricsFn>(g_monitor.functions[SYSTEM_METRICS_ENTRY]);
    return systemMetrics(index);
}

void GetFrameMetrics(std::int32_t* border, std::int32_t* caption, unsigned flags) {
    const std::int32_t padded = GetMetric(METRIC_CX_PADDED_BORDER);
    if (border != nullptr) {
        const bool fixed = (flags & FRAME_FIXED) != 0;
        *border = padded + GetMetric(fixed ? METRIC_CX_FIXED_FRAME : METRIC_CX_SIZE_FRAME);
    }
    if (caption != nullptr) *caption = GetMetric(METRIC_CY_CAPTION);
}

void ResetMonitorEntryPoints() { g_monitor = {}; }

}  // namespace qs
