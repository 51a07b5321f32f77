// Start-up texts and the steps of the entry point that can be tested on their own.
#pragma once

#include <cstddef>

namespace qs {

inline constexpr char INSTANCE_MUTEX_NAME[] =
    "Velto Quillstation-Installation- Mutex-{CE132523-F3BB-4e58-9609-D51FA5A2A65E}";
// A top-level window with exactly this title belongs to a running copy of the product.
inline constexpr char PRODUCT_WINDOW_TITLE[] = "Quillstation";
inline constexpr char WINDOW_TITLE_FORMAT[] = "Velto %s Installation (Version %s)";
inline constexpr std::size_t WINDOW_TITLE_SIZE = 128;
inline constexpr std::size_t WINDOW_TEXT_SIZE = 512;
// Its exit codes (another installer runs, no window): setup/exit_codes.h.

// Formats the window title into out, a buffer of capacity bytes (the entry point gives
// WINDOW_TITLE_SIZE); a title that does not fit is cut and stays terminated.
void FormatWindowTitle(char* out, std::size_t capacity);

}  // namespace qs
