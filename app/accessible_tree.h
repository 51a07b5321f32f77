// What a screen reader finds in the installer window (portable: no Windows header).
// The window's client area is one accessible object; its children are simple elements
// named by the ids below, in the order a reader needs them: the guidance, the action,
// then the version line and the link on the picture. Where each child is, and what the
// button is called, follow from the layout and the state alone.
#pragma once

#include <array>
#include <cstdint>

#include "app/layout.h"

namespace qs {

inline constexpr std::int32_t CHILD_SELF = 0;  // the client area itself
inline constexpr std::int32_t CHILD_PANEL_LINE1 = 1;
inline constexpr std::int32_t CHILD_PANEL_LINE2 = 2;
inline constexpr std::int32_t CHILD_BUTTON = 3;
inline constexpr std::int32_t CHILD_VERSION_LINE = 4;
inline constexpr std::int32_t CHILD_PICTURE_LINK = 5;
inline constexpr std::int32_t CHILD_COUNT = 5;

constexpr bool IsChild(std::int32_t child) { return 0 < child && child <= CHILD_COUNT; }

// The link's name, filled with the product name; the default actions of the button and
// the link, named as the system names those of its own buttons and links.
inline constexpr char PICTURE_LINK_NAME_FORMAT[] = "%s web page";
inline constexpr char PRESS_ACTION[] = "Press";
inline constexpr char JUMP_ACTION[] = "Jump";

// The button's name. Once an install has set a status line the button shows the
// blinking frame until the window closes, and its name is that status line; between
// the press and the first status it is "Installing"; otherwise its label.
const char* ButtonAccessibleName(std::int32_t installed, bool installing, const char* status);

// The box of one line of text drawn at the top left of its layout rectangle, for the
// text's measured width and height, cut to the rectangle.
LayoutRect TextLineBounds(const LayoutRect& line, std::int32_t width, std::int32_t height);

// Each child's box in client coordinates, indexed by child id (index 0 is not used).
using ChildBoxes = std::array<LayoutRect, CHILD_COUNT + 1>;

// The child at a client point: the button where a click presses it (strictly inside),
// then the texts, then the picture's link; CHILD_SELF anywhere else.
std::int32_t ChildAt(const ChildBoxes& boxes, std::int32_t x, std::int32_t y);

}  // namespace qs
