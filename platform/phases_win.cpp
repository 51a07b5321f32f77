// Phase marks of a benchmark build (see phases.h); nothing in any other build.
#include "platform/phases.h"

#ifdef QS_PHASE_MARKS

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace qs {
namespace {

constexpr int MARK_CAPACITY = 64;

struct Mark {
    const char* name;
    ULONGLONG time;
};

Mark g_marks[MARK_CAPACITY];
std::atomic<int> g_markCount{0};

ULONGLONG AsNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void MarkPhase(const char* name) {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    const int at = g_markCount.fetch_add(1);
    if (at < MARK_CAPACITY) g_marks[at] = {name, AsNumber(now)};
}

void WritePhaseMarks() {
    const char* path = std::getenv("QS_PHASES_FILE");
    if (path == nullptr) return;
    FILE* out = std::fopen(path, "w");
    if (out == nullptr) return;
    FILETIME created, exited, kernel, user;
    if (::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        std::fprintf(out, "created %llu\n", AsNumber(created));
    }
    const int count = g_markCount.load() < MARK_CAPACITY ? g_markCount.load() : MARK_CAPACITY;
    for (int i = 0; i < count; ++i) std::fprintf(out, "%s %llu\n", g_marks[i].name, g_marks[i].time);
    std::fclose(out);
}

}  // namespace qs

#endif  // QS_PHASE_MARKS
