// Placeholder until the shell-folder table is built: the table stays empty.
#include "platform/folders.h"

namespace qs {

void FillKnownFolders() {}
const char* GetCommonProgramsFolder() { return ""; }
const char* GetStartupFolder() { return "Startup"; }

}  // namespace qs
