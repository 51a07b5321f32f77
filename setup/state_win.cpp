#include "setup/state.h"

#include <cstring>

namespace qs {

InstallerState g_state;
SwitchFlags g_switches;

int InitialiseState(InstallerState& state, HINSTANCE instance) {
    std::memset(&state, 0, sizeof state);
    state.instance = instance;
    return 0;
}

void SetStatusText(InstallerState& state, const char* text) {
    std::size_t i = 0;
    for (; i + 1 < STATUS_TEXT_SIZE && text[i] != '\0'; ++i) {
        std::atomic_ref<char>(state.statusText[i]).store(text[i], std::memory_order_relaxed);
    }
    std::atomic_ref<char>(state.statusText[i]).store('\0', std::memory_order_release);
}

void CopyStatusText(InstallerState& state, char* out, std::size_t capacity) {
    if (capacity == 0) return;
    std::size_t i = 0;
    for (; i + 1 < capacity && i + 1 < STATUS_TEXT_SIZE; ++i) {
        const char c = std::atomic_ref<char>(state.statusText[i]).load(std::memory_order_acquire);
        if (c == '\0') break;
        out[i] = c;
    }
    out[i] = '\0';
}

}  // namespace qs
