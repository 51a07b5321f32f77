// The installer window's internal command protocol. Every command is a WM_COMMAND
// posted to the installer window: identifier in wParam, code in lParam. The procedures'
// result (CMD_PROCEDURE_RESULT) is theirs, in setup/results.h; the window's own command
// and timer are here.
#pragma once

#include "setup/results.h"

namespace qs {

inline constexpr unsigned CMD_AUTO_RUN = 165;
inline constexpr long AUTO_RUN_CODE = 101;

// A client of the window's accessible object asked for a child's default action; the code
// is the child's id (app/accessible_tree.h): the button or the picture's link.
inline constexpr unsigned CMD_DEFAULT_ACTION = 170;

inline constexpr unsigned BLINK_TIMER_ID = 12347;
inline constexpr unsigned BLINK_PERIOD_MS = 500;

}  // namespace qs
