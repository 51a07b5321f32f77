#include "platform/text.h"

namespace qs {

bool FormatText(char* out, std::size_t capacity, const char* format, const char* first, const char* second) {
    if (capacity == 0) return false;
    const char* arguments[] = {first, second};
    std::size_t next = 0;
    std::size_t length = 0;
    bool complete = true;
    auto put = [&](char c) {
        if (length + 1 < capacity) {
            out[length++] = c;
        } else {
            complete = false;
        }
    };
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* argument = next < 2 ? arguments[next] : nullptr;
            ++next;
            for (const char* a = argument; a != nullptr && *a != '\0'; ++a) put(*a);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[length] = '\0';
    return complete;
}

}  // namespace qs
