// Command-line switch scanning. Portable: no Windows header.
#pragma once

#include <cstdint>

namespace qs {

// The switch flags of the command line, set once at start-up and read by the window.
struct SwitchFlags {
    std::int32_t hiddenSwitch = 0;      // "-h" or "-H": never show the window or an outcome
    std::int32_t installSwitch = 0;     // "-i": unattended install (or removal when installed)
    std::int32_t unattendedSwitch = 0;  // "-u" or "-U": unattended removal when installed
    // "-e" or "-E": unattended install of this version: nothing when it is installed,
    // another installed version replaced by it; never a removal alone. Wins over -i, -u.
    std::int32_t ensureSwitch = 0;
};

// Whether the window starts a procedure by itself (any of -i, -u, -e).
constexpr bool IsUnattended(const SwitchFlags& flags) {
    return flags.installSwitch == 1 || flags.unattendedSwitch == 1 || flags.ensureSwitch == 1;
}

// The process-wide flags.
extern SwitchFlags g_switches;

// Looks at the character after every dash in the text, anywhere in it. Sets flags and
// never clears one. A null text or one shorter than two characters sets nothing.
void ScanSwitches(const char* commandLine, SwitchFlags& flags);

}  // namespace qs
