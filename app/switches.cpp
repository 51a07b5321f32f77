#include "app/switches.h"

#include <cstring>

namespace qs {

SwitchFlags g_switches;

void ScanSwitches(const char* commandLine, SwitchFlags& flags) {
    if (commandLine == nullptr || std::strlen(commandLine) < 2) return;
    const char* p = commandLine;
    for (;;) {
        while (*p != '\0' && *p != '-') ++p;
        if (*p == '\0') return;
        const char option = p[1];
        if (option == '\0') return;
        switch (option) {
            case 'h':
            case 'H':
                flags.hiddenSwitch = 1;
                break;
            case 'u':
            case 'U':
                flags.unattendedSwitch = 1;
                break;
            case 'i':
                flags.installSwitch = 1;
                break;
            case 'e':
            case 'E':
                flags.ensureSwitch = 1;
                break;
            default:
                break;  // upper-case 'I' and anything else: nothing
        }
        p += 2;
    }
}

}  // namespace qs
