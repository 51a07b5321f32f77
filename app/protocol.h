// The installer window's internal command protocol. Every command is a WM_COMMAND
// posted to the installer window: identifier in wParam, code in lParam.
#pragma once

namespace qs {

inline constexpr unsigned CMD_PROCEDURE_RESULT = 180;
inline constexpr long RESULT_FAILED = 127;
inline constexpr long RESULT_SUCCEEDED = 128;

inline constexpr unsigned CMD_AUTO_RUN = 165;
inline constexpr long AUTO_RUN_CODE = 101;

// A client of the window's accessible object asked for a child's default action; the code
// is the child's id (app/accessible_tree.h): the button or the picture's link.
inline constexpr unsigned CMD_DEFAULT_ACTION = 170;

inline constexpr unsigned BLINK_TIMER_ID = 12347;
inline constexpr unsigned BLINK_PERIOD_MS = 500;

}  // namespace qs
