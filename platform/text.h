// Bounded formatting of fixed texts: each "%s" of the format takes the next argument,
// "%%" gives one percent sign. Only what the program's texts need, without the C
// library's printf machinery. Portable: no Windows header.
#pragma once

#include <cstddef>

namespace qs {

// Formats into out (capacity bytes, always terminated when capacity > 0). A missing
// argument reads as empty. Returns false when the text had to be cut to fit.
bool FormatText(char* out, std::size_t capacity, const char* format, const char* first = nullptr,
                const char* second = nullptr);

}  // namespace qs
