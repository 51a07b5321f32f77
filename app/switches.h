// Command-line switch scanning. Portable: no Windows header.
#pragma once

#include <cstdint>

namespace qs {

struct SwitchValues {
    std::int32_t hidden = 0;      // "-h" or "-H": never show the window or an outcome
    std::int32_t install = 0;     // "-i": unattended install (or removal when installed)
    std::int32_t unattended = 0;  // "-u" or "-U": unattended removal when installed
};

// Looks at the character after every dash in the text, anywhere in it. Sets flags in
// `values` and never clears one. A null text or one shorter than two characters sets
// nothing.
void ScanSwitches(const char* commandLine, SwitchValues& values);

}  // namespace qs
