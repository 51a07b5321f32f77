// How the procedures report to the installer window: a WM_COMMAND posted to it with
// CMD_PROCEDURE_RESULT as the identifier (wParam) and the outcome as the code (lParam).
#pragma once

namespace qs {

inline constexpr unsigned CMD_PROCEDURE_RESULT = 180;
inline constexpr long RESULT_FAILED = 127;
inline constexpr long RESULT_SUCCEEDED = 128;
// A removal that a restart finishes (the caption and text say so).
inline constexpr long RESULT_RESTART_NEEDED = 129;

}  // namespace qs
