// Phase marks of a benchmark build (CMake option QS_PHASE_MARKS): the system time of named
// points of one run, written when the run ends to the file the environment variable
// QS_PHASES_FILE names, for scripts/bench.sh --phases. In every other build, the shipped
// installer's among them, they are nothing at all.
#pragma once

namespace qs {

#ifdef QS_PHASE_MARKS
// Records name (a string literal) with the time now. Any thread; the first 64 marks count.
void MarkPhase(const char* name);
// Writes "created TIME" (the process's creation) and one "NAME TIME" line per mark, TIME
// in 100-ns units of the system clock.
void WritePhaseMarks();
#else
inline void MarkPhase(const char*) {}
inline void WritePhaseMarks() {}
#endif

}  // namespace qs
