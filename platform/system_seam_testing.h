// Test-only controls of the system seam and of the process-wide tables that depend on it.
// Not used by the product.
#pragma once

#include "platform/folders.h"
#include "platform/system_seam.h"

namespace qs {

// Installs seam (kept by pointer; must outlive its use), or the real system when null.
void SetSystemSeam(const SystemSeam* seam);

// One entry of the table as it stands.
const char* KnownFolderEntry(KnownFolder entry);
// Puts the table back to its contents at process start (not filled).
void ResetKnownFolders();
// Forgets the multi-monitor look-up so that the next GetMetric looks up again.
void ResetMonitorEntryPoints();

}  // namespace qs
