#include "app/layout.h"

#include "platform/text.h"

#include "setup/product.h"

namespace qs {

WindowLayout ComputeLayout(std::int32_t width, std::int32_t height) {
    const std::int32_t panelBottom = height + PANEL_HEIGHT;
    WindowLayout layout{};
    layout.picture = {0, 0, width, height};
    layout.versionLine = {VERSION_LINE_LEFT, VERSION_LINE_TOP, width, height};
    layout.panel = {0, height, width, panelBottom};
    // Without an outline Rectangle leaves out its right column and bottom row.
    layout.panelFill = {0, height, width + 1, panelBottom + 1};
    layout.panelLine1 = {PANEL_LINE_LEFT, height + PANEL_LINE1_OFFSET, width, panelBottom};
    layout.panelLine2 = layout.panelLine1;
    layout.panelLine2.top += PANEL_LINE_SPACING;

    const std::int32_t buttonRight = width - BUTTON_MARGIN;
    const std::int32_t buttonTop = height + BUTTON_MARGIN;
    layout.button = {buttonRight - BUTTON_WIDTH, buttonTop, buttonRight, buttonTop + BUTTON_HEIGHT};
    // RoundRect's outline ends one pixel short of right and bottom: widen by one so the
    // outline covers the whole button rectangle.
    layout.buttonOutline = {{layout.button.left, layout.button.top, layout.button.right + 1, layout.button.bottom + 1},
                            BUTTON_CORNER,
                            BUTTON_CORNER};
    layout.installingBand = layout.button;
    layout.installingBand.bottom -= INSTALLING_LIFT;
    layout.statusBand = layout.button;
    layout.statusBand.top = layout.button.bottom - STATUS_BAND_HEIGHT;
    return layout;
}

const char* VersionLineText(std::int32_t osClass) {
    switch (osClass) {
        case 0:
            return OS_TEXT_BELOW_XP;
        case 1:
            return OS_TEXT_XP;
        case 3:
            return OS_TEXT_VISTA;
        case 4:
            return OS_TEXT_WIN7;
        case 5:
        case 6:
        case 7:
        case 8:
            return OS_TEXT_ABOVE_WIN7;
        default:
            return OS_TEXT_UNKNOWN;  // -1, 2 (no label of its own) and anything else
    }
}

const char* ButtonLabel(std::int32_t installed) { return installed != 0 ? BUTTON_LABEL_REMOVE : BUTTON_LABEL_INSTALL; }

// Display lines: a text longer than the buffer is cut, never overrun.
void FormatPanelLine1(std::int32_t installed, char* out, std::size_t capacity) {
    if (capacity == 0) return;
    if (installed != 0) {
        (void)FormatText(out, capacity, "%s%s", PRODUCT_NAME, PANEL_INSTALLED_LINE1_SUFFIX);
    } else {
        (void)FormatText(out, capacity, PANEL_INVITE_LINE1);
    }
}

void FormatPanelLine2(std::int32_t installed, char* out, std::size_t capacity) {
    if (capacity == 0) return;
    if (installed != 0) {
        (void)FormatText(out, capacity, PANEL_INSTALLED_LINE2);
    } else {
        (void)FormatText(out, capacity, PANEL_INVITE_LINE2_FORMAT, PRODUCT_NAME);
    }
}

}  // namespace qs
