#include "app/accessible_tree.h"

#include <algorithm>

#include "app/window_logic.h"

namespace qs {
namespace {

bool Contains(const LayoutRect& r, std::int32_t x, std::int32_t y) {
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

// Texts lie on the picture and in the panel: they are tried before the picture.
constexpr std::int32_t HIT_ORDER[] = {CHILD_PANEL_LINE1, CHILD_PANEL_LINE2, CHILD_VERSION_LINE, CHILD_PICTURE_LINK};

}  // namespace

const char* ButtonAccessibleName(std::int32_t installed, bool installing, const char* status) {
    if (status[0] != '\0') return status;
    if (installing) return INSTALLING_TEXT;
    return ButtonLabel(installed);
}

LayoutRect TextLineBounds(const LayoutRect& line, std::int32_t width, std::int32_t height) {
    return LayoutRect{line.left, line.top, std::min(line.right, line.left + width),
                      std::min(line.bottom, line.top + height)};
}

std::int32_t ChildAt(const ChildBoxes& boxes, std::int32_t x, std::int32_t y) {
    const LayoutRect& button = boxes[CHILD_BUTTON];
    if (IsInsideStrict(button.left, button.top, button.right, button.bottom, x, y)) return CHILD_BUTTON;
    for (const std::int32_t child : HIT_ORDER) {
        if (Contains(boxes[static_cast<std::size_t>(child)], x, y)) return child;
    }
    return CHILD_SELF;
}

}  // namespace qs
