// Windows version class and display metrics.
#pragma once

#include <cstdint>

namespace qs {

// Signed class of the running Windows version: -1 and 0 to 8.
using OsClass = std::int32_t;

inline constexpr std::uint8_t VER_PRODUCT_WORKSTATION = 1;

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
