#include "setup/state.h"

#include <cstring>

namespace qs {

InstallerState g_state;

int InitialiseState(InstallerState& state, HINSTANCE instance) {
    std::memset(&state, 0, sizeof state);
    state.instance = instance;
    return 0;
}

void SetStatusText(InstallerState& state, const char* text) {
    std::atomic_ref<std::uint32_t> sequence(state.statusSequence);
    const std::uint32_t start = sequence.load(std::memory_order_relaxed);
    sequence.store(start + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    std::size_t i = 0;
    for (; i + 1 < STATUS_TEXT_SIZE && text[i] != '\0'; ++i) {
        std::atomic_ref<char>(state.statusText[i]).store(text[i], std::memory_order_relaxed);
    }
    std::atomic_ref<char>(state.statusText[i]).store('\0', std::memory_order_relaxed);
    sequence.store(start + 2, std::memory_order_release);
}

namespace {

// Copies the line as it stands; the caller checks it was not rewritten meanwhile.
void CopyStatusCharacters(InstallerState& state, char* out, std::size_t capacity) {
    std::size_t i = 0;
    for (; i + 1 < capacity && i + 1 < STATUS_TEXT_SIZE; ++i) {
        const char c = std::atomic_ref<char>(state.statusText[i]).load(std::memory_order_relaxed);
        if (c == '\0') break;
        out[i] = c;
    }
    out[i] = '\0';
}

// Attempts spent spinning before the reader starts sleeping, so that a writer of lower
// priority preempted mid-line gets the processor back.
constexpr int STATUS_SPINS_BEFORE_SLEEP = 64;
constexpr DWORD STATUS_RETRY_SLEEP_MS = 1;

}  // namespace

std::uint32_t CopyStatusText(InstallerState& state, char* out, std::size_t capacity) {
    if (capacity == 0) return 0;
    std::atomic_ref<std::uint32_t> sequence(state.statusSequence);
    for (int attempt = 0;; ++attempt) {
        const std::uint32_t before = sequence.load(std::memory_order_acquire);
        if ((before & 1U) == 0) {
            CopyStatusCharacters(state, out, capacity);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (sequence.load(std::memory_order_relaxed) == before) return before;
        }
        if (attempt >= STATUS_SPINS_BEFORE_SLEEP) Sleep(STATUS_RETRY_SLEEP_MS);
    }
}

}  // namespace qs
