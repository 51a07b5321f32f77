#include "app/startup.h"

#include "platform/text.h"
#include "setup/product.h"

namespace qs {

void FormatWindowTitle(char* out, std::size_t capacity) {
    (void)FormatText(out, capacity, WINDOW_TITLE_FORMAT, PRODUCT_NAME, INSTALLER_VERSION_TEXT);
}

}  // namespace qs
