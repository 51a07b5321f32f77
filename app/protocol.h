// The installer window's internal command protocol. Every command is a WM_COMMAND
// posted to the installer window: identifier in wParam, code in lParam. The procedures'
// result (CMD_PROCEDURE_RESULT) is theirs, in setup/results.h; the window's own command
// and timer are here.
#pragma once

#include "setup/results.h"

namespace qs {

inline constexpr unsigned CMD_AUTO_RUN = 165;
inline constexpr long AUTO_RUN_CODE = 101;

inline constexpr unsigned BLINK_TIMER_ID = 12347;
inline constexpr unsigned BLINK_PERIOD_MS = 500;

}  // namespace qs
