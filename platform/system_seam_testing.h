// Test-only controls of the system seam and of the process-wide tables that depend on it.
// Not used by the product.
#pragma once

#include "platform/system_seam.h"

namespace qs {

// Installs seam (kept by pointer; must outlive its use), or the real system when null.
void SetSystemSeam(const SystemSeam* seam);

// Entries of the shell-folder table, in table order.
enum class KnownFolder { ProgramFiles, Documents, AppData, CommonAppData, CommonPrograms, Startup };
inline constexpr int KNOWN_FOLDER_COUNT = 6;
// One entry of the table as it stands.
const char* KnownFolderEntry(KnownFolder entry);
// Puts the table back to its contents at process start (not filled).
void ResetKnownFolders();
// Forgets the multi-monitor look-up so that the next GetMetric looks up again.
void ResetMonitorEntryPoints();

}  // namespace qs
