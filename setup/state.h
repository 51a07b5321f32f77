// The one process-wide installer state record and the three switch flags beside it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "package/record.h"
#include "platform/paths.h"
#include "platform/version.h"

namespace qs {

inline constexpr std::size_t ERROR_CAPTION_SIZE = 512;
inline constexpr std::size_t ERROR_TEXT_SIZE = 2048;
inline constexpr std::size_t STATUS_TEXT_SIZE = 1024;

struct ButtonRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Plain data, cleared byte-wise by InitialiseState. Fields shared between the window
// thread and the install worker (workerRunning, workerResult, statusText) are accessed
// through the atomic helpers below, never directly across threads.
struct InstallerState {
    HWND window;
    HINSTANCE instance;
    char modulePath[PATH_BUFFER_SIZE];
    std::uint32_t blinkTimer;
    OsClass osClass;
    std::int32_t installed;
    char installFolder[PATH_BUFFER_SIZE];
    PackageDirectory packageDirectory;
    ButtonRect buttonRect;
    std::int32_t blinkCounter;
    HBITMAP backgroundBitmap;
    std::int32_t bitmapWidth;
    std::int32_t bitmapHeight;
    HCURSOR handCursor;
    HFONT textFont;
    HFONT buttonFont;
    HANDLE workerThread;
    std::uint32_t workerThreadId;
    std::int32_t workerRunning;
    std::int32_t workerResult;
    char errorCaption[ERROR_CAPTION_SIZE];
    char errorText[ERROR_TEXT_SIZE];
    char statusText[STATUS_TEXT_SIZE];
    // Odd while SetStatusText is rewriting statusText; bumped twice per line.
    std::uint32_t statusSequence;
    // The sequence of the status line the window last took (window thread only).
    std::uint32_t shownStatusSequence;
    // Set when the window's button or an unattended run starts a procedure: the window
    // closes after every procedure, and its button never starts a second one (window
    // thread only).
    bool procedureStarted;
    // Outcomes posted to the window (CMD_PROCEDURE_RESULT), counted by the poster, and
    // those whose box the window has answered (window thread only).
    std::int32_t resultsPosted;
    std::int32_t resultsAnswered;
    // An unattended run: started, its procedure returned, and its exit code, which ends
    // the message loop once every outcome box of a shown window has been answered
    // (window thread only).
    bool autoRunStarted;
    bool autoRunEnded;
    std::int32_t autoRunCode;
};

// The process-wide record, reachable by name from start-up and the window procedure.
extern InstallerState g_state;

// Zeroes every byte of the record, then stores the module instance. Returns 0.
int InitialiseState(InstallerState& state, HINSTANCE instance);

// Cross-thread hand-over. The worker publishes with release stores; the window thread
// reads with acquire loads, so everything the worker wrote before clearing
// workerRunning (errorCaption, errorText, workerResult) is visible once it reads 0.
inline std::int32_t LoadWorkerRunning(InstallerState& state) {
    return std::atomic_ref<std::int32_t>(state.workerRunning).load(std::memory_order_acquire);
}
inline void StoreWorkerRunning(InstallerState& state, std::int32_t value) {
    std::atomic_ref<std::int32_t>(state.workerRunning).store(value, std::memory_order_release);
}
inline std::int32_t LoadWorkerResult(InstallerState& state) {
    return std::atomic_ref<std::int32_t>(state.workerResult).load(std::memory_order_acquire);
}
inline void StoreWorkerResult(InstallerState& state, std::int32_t value) {
    std::atomic_ref<std::int32_t>(state.workerResult).store(value, std::memory_order_release);
}

inline void CountPostedResult(InstallerState& state, std::int32_t change) {
    std::atomic_ref<std::int32_t>(state.resultsPosted).fetch_add(change, std::memory_order_release);
}
inline std::int32_t LoadResultsPosted(InstallerState& state) {
    return std::atomic_ref<std::int32_t>(state.resultsPosted).load(std::memory_order_acquire);
}

// statusText is written by the worker while the window thread draws it. The writer marks
// the line as in progress through statusSequence; a reader that catches a line being
// rewritten tries again, so it always sees one whole line, never the start of the new one
// over the rest of the old. One writer at a time. Texts longer than the buffer are cut.
// The window reads the line on its blink timer (app/paint.h, TakeStatusLine).
void SetStatusText(InstallerState& state, const char* text);
// Copies at most capacity - 1 characters of one whole status line into out, always
// terminated; returns the line's sequence (even), which moves on with every new line.
std::uint32_t CopyStatusText(InstallerState& state, char* out, std::size_t capacity);

}  // namespace qs
