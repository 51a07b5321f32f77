#include "app/accessible_tree.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

// The shipped 900 x 394 picture, with text boxes as wide and high as drawn text might be.
TEST(AccessibleTree, ChildAtAPointFollowsWhatAClickThereDoes) {
    const WindowLayout l = ComputeLayout(900, 394);
    ChildBoxes boxes{};
    boxes[CHILD_PANEL_LINE1] = TextLineBounds(l.panelLine1, 400, 18);
    boxes[CHILD_PANEL_LINE2] = TextLineBounds(l.panelLine2, 700, 18);  // reaches under the button
    boxes[CHILD_VERSION_LINE] = TextLineBounds(l.versionLine, 100, 18);
    boxes[CHILD_BUTTON] = l.button;
    boxes[CHILD_PICTURE_LINK] = l.picture;
    const struct {
        std::int32_t x, y, child;
    } points[] = {
        {700, 444, CHILD_BUTTON},      {580, 444, CHILD_PANEL_LINE2},  // the button's border: not pressed
        {600, 450, CHILD_BUTTON},      {20, 424, CHILD_PANEL_LINE1},   {419, 441, CHILD_PANEL_LINE1},
        {420, 430, CHILD_SELF},        {20, 462, CHILD_SELF},          {15, 10, CHILD_VERSION_LINE},
        {115, 10, CHILD_PICTURE_LINK}, {899, 393, CHILD_PICTURE_LINK}, {10, 394, CHILD_SELF},
        {890, 480, CHILD_SELF},
    };
    for (const auto& p : points) EXPECT_EQ(ChildAt(boxes, p.x, p.y), p.child) << p.x << "," << p.y;
}

}  // namespace
}  // namespace qs
