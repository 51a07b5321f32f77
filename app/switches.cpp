#include "app/switches.h"

#include <cstring>

namespace qs {

void ScanSwitches(const char* commandLine, SwitchValues& values) {
    if (commandLine == nullptr || std::strlen(commandLine) < 2) return;
    const char* p = commandLine;
    for (;;) {
        while (*p != '\0' && *p != '-') ++p;
        if (*p == '\0') return;
        const char option = p[1];
        if (option == '\0') return;
        switch (option) {
            case 'h':
            case 'H': values.hidden = 1; break;
            case 'u':
            case 'U': values.unattended = 1; break;
            case 'i': values.install = 1; break;
            default: break;  // upper-case 'I' and anything else: nothing
        }
        p += 2;
    }
}

}  // namespace qs
