#include "app/startup.h"

#include <cstdio>

#include "setup/product.h"

namespace qs {

void FormatWindowTitle(char* out, std::size_t capacity) {
    std::snprintf(out, capacity, WINDOW_TITLE_FORMAT, PRODUCT_NAME, INSTALLER_VERSION_TEXT);
}

}  // namespace qs
