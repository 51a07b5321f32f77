// Windows version class and display metrics.
#pragma once

#include <cstdint>

namespace qs {

// Signed class of the running Windows version: -1 and 0 to 8.
using OsClass = std::int32_t;
inline constexpr OsClass OS_CLASS_UNKNOWN = -1;

inline constexpr std::uint8_t VER_PRODUCT_WORKSTATION = 1;

// Run-time look-ups of the version correction and of the multi-monitor entry points.
inline constexpr char NATIVE_MODULE[] = "Ntdll.dll";
inline constexpr char TRUE_VERSION_FUNCTION[] = "RtlGetVersion";
inline constexpr std::uint32_t TRUE_VERSION_MIN_MAJOR = 6;  // below: GetVersionExA stands
inline constexpr char USER_MODULE[] = "USER32";
inline constexpr int MONITOR_ENTRY_POINT_COUNT = 6;
// Looked up in this order; the first is the one GetMetric calls.
inline constexpr const char* MONITOR_ENTRY_POINTS[MONITOR_ENTRY_POINT_COUNT] = {
    "GetSystemMetrics", "MonitorFromWindow",   "MonitorFromRect",
    "MonitorFromPoint", "EnumDisplayMonitors", "GetMonitorInfoA"};

// Metric indices and the substitutes without the multi-monitor functions.
inline constexpr std::int32_t METRIC_CX_SCREEN = 0;
inline constexpr std::int32_t METRIC_CY_SCREEN = 1;
inline constexpr std::int32_t METRIC_CY_CAPTION = 4;
inline constexpr std::int32_t METRIC_CX_FIXED_FRAME = 7;
inline constexpr std::int32_t METRIC_CX_SIZE_FRAME = 32;
inline constexpr std::int32_t METRIC_X_VIRTUAL_SCREEN = 76;
inline constexpr std::int32_t METRIC_Y_VIRTUAL_SCREEN = 77;
inline constexpr std::int32_t METRIC_CX_VIRTUAL_SCREEN = 78;
inline constexpr std::int32_t METRIC_CY_VIRTUAL_SCREEN = 79;
inline constexpr std::int32_t METRIC_MONITORS = 80;
inline constexpr std::int32_t METRIC_SAME_DISPLAY_FORMAT = 81;
inline constexpr std::int32_t METRIC_CX_PADDED_BORDER = 92;
inline constexpr std::int32_t SUBSTITUTE_VIRTUAL_ORIGIN = 0;
inline constexpr std::int32_t SUBSTITUTE_MONITORS = 1;
inline constexpr std::int32_t SUBSTITUTE_SAME_DISPLAY_FORMAT = 1;

// The classification itself, from the reported numbers (portable).
OsClass ClassifyOsVersion(std::uint32_t major, std::uint32_t minor, std::uint8_t productType);

// Windows only: the class of the running system (-1 when the version cannot be read).
OsClass GetOsClass();
// Windows only: GetSystemMetrics through the multi-monitor entry points, with fixed
// substitutes for the multi-monitor indices when a system lacks them.
std::int32_t GetMetric(std::int32_t index);
inline constexpr unsigned FRAME_FIXED = 1;  // bit 0: fixed frame, else sizing frame
// Windows only: border width and caption height; each output written only when given.
void GetFrameMetrics(std::int32_t* border, std::int32_t* caption, unsigned flags);

}  // namespace qs
