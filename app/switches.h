// Command-line switch scanning. Portable: no Windows header.
#pragma once

#include <cstdint>

namespace qs {

// The three switch flags of the command line, set once at start-up and read by the
// window.
struct SwitchFlags {
    std::int32_t hiddenSwitch = 0;      // "-h" or "-H": never show the window or an outcome
    std::int32_t installSwitch = 0;     // "-i": unattended install (or removal when installed)
    std::int32_t unattendedSwitch = 0;  // "-u" or "-U": unattended removal when installed
};

// The process-wide flags.
extern SwitchFlags g_switches;

// Looks at the character after every dash in the text, anywhere in it. Sets flags and
// never clears one. A null text or one shorter than two characters sets nothing.
void ScanSwitches(const char* commandLine, SwitchFlags& flags);

}  // namespace qs
