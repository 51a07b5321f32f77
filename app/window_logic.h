// Decisions of the installer window that need no Windows call. Portable.
#pragma once

#include <cstdint>

#include "app/layout.h"

namespace qs {

// Strict inside test: a point on a border line is outside.
constexpr bool IsInsideStrict(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                              std::int32_t x, std::int32_t y) {
    return left < x && x < right && top < y && y < bottom;
}

// The signed 16-bit client coordinates packed in a mouse message's lParam.
constexpr std::int32_t LowWordSigned(std::intptr_t lParam) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uintptr_t>(lParam) & 0xFFFFu));
}
constexpr std::int32_t HighWordSigned(std::intptr_t lParam) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFFu));
}

enum class AutoRunAction { Uninstall, Install, Replace, Repair, Nothing };

// The unattended run. With "-e": install when absent, this version when installed put
// back where something of it is missing, and another installed version replaced by this
// one in place. Otherwise an installed product is removed whatever the switches, "-i"
// installs, and "-u" alone removes an orphaned uninstall entry (its program gone) with
// whatever of the product remains, or has nothing to do.
constexpr AutoRunAction ChooseAutoRun(std::int32_t installed, std::int32_t installSwitch, std::int32_t ensureSwitch,
                                      bool thisVersionInstalled, bool orphanedEntry) {
    if (ensureSwitch == 1) {
        if (installed == 0) return AutoRunAction::Install;
        return thisVersionInstalled ? AutoRunAction::Repair : AutoRunAction::Replace;
    }
    if (installed != 0) return AutoRunAction::Uninstall;
    if (installSwitch == 1) return AutoRunAction::Install;
    return orphanedEntry ? AutoRunAction::Uninstall : AutoRunAction::Nothing;
}

// Outer window size for a client area of the picture plus the panel below it.
constexpr std::int32_t OuterWidth(std::int32_t bitmapWidth, std::int32_t border) { return bitmapWidth + 2 * border; }
constexpr std::int32_t OuterHeight(std::int32_t bitmapHeight, std::int32_t border, std::int32_t caption) {
    return bitmapHeight + 2 * border + caption + PANEL_HEIGHT;
}

}  // namespace qs
