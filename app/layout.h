// Geometry and texts of the installer window, computed from the background picture's
// size and the installer state alone (portable: no Windows header).
//
// Client area: the picture (width x height) with a white panel of PANEL_HEIGHT pixels
// below it. The panel holds two lines of guidance on the left and the big rounded button
// on the right; while an install runs the button becomes a black frame with a blinking
// "Installing" above one status line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

// A rectangle in client coordinates (left and top inclusive, right and bottom exclusive,
// as GDI takes them).
struct LayoutRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;

    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The arguments of one RoundRect call.
struct RoundRectCall {
    LayoutRect rect;
    std::int32_t ellipseWidth;
    std::int32_t ellipseHeight;

    friend bool operator==(const RoundRectCall&, const RoundRectCall&) = default;
};

// ---- Figures --------------------------------------------------------------------------

inline constexpr std::int32_t PANEL_HEIGHT = 100;  // the panel below the picture

inline constexpr std::int32_t VERSION_LINE_LEFT = 15;
inline constexpr std::int32_t VERSION_LINE_TOP = 10;

inline constexpr std::int32_t PANEL_LINE_LEFT = 20;
inline constexpr std::int32_t PANEL_LINE1_OFFSET = 30;  // below the picture
inline constexpr std::int32_t PANEL_LINE_SPACING = 20;  // line 2 below line 1

// The button: BUTTON_WIDTH x BUTTON_HEIGHT, BUTTON_MARGIN from the right edge and from
// the top of the panel.
inline constexpr std::int32_t BUTTON_WIDTH = 300;
inline constexpr std::int32_t BUTTON_HEIGHT = 60;
inline constexpr std::int32_t BUTTON_MARGIN = 20;
inline constexpr std::int32_t BUTTON_CORNER = 8;  // corner ellipse width and height

// Inside the blink frame: "Installing" keeps clear of the bottom INSTALLING_LIFT pixels,
// the status line takes the bottom STATUS_BAND_HEIGHT pixels.
inline constexpr std::int32_t INSTALLING_LIFT = 15;
inline constexpr std::int32_t STATUS_BAND_HEIGHT = 20;

// ---- Texts ----------------------------------------------------------------------------

inline constexpr std::size_t PANEL_TEXT_SIZE = 128;   // buffer of one drawn text line
inline constexpr std::size_t STATUS_DRAW_SIZE = 128;  // status line: 127 characters at most

inline constexpr char OS_TEXT_BELOW_XP[] = "O/S: < XP";
inline constexpr char OS_TEXT_XP[] = "O/S: WIN XP";
inline constexpr char OS_TEXT_VISTA[] = "O/S: VISTA";
inline constexpr char OS_TEXT_WIN7[] = "O/S: WIN7";
inline constexpr char OS_TEXT_ABOVE_WIN7[] = "O/S: > WIN7";
inline constexpr char OS_TEXT_UNKNOWN[] = "O/S: unknown";

inline constexpr char BUTTON_LABEL_INSTALL[] = "Install";
inline constexpr char BUTTON_LABEL_REMOVE[] = "Remove";
inline constexpr char INSTALLING_TEXT[] = "Installing";

inline constexpr char PANEL_INVITE_LINE1[] = "Ready to install ? Click the button right there...";
inline constexpr char PANEL_INVITE_LINE2_FORMAT[] = "it will install %s on your system...";
inline constexpr char PANEL_INSTALLED_LINE1_SUFFIX[] = " is already installed...";
inline constexpr char PANEL_INSTALLED_LINE2[] = "previous version has to be removed before installing new one...";

// ---- Layout ---------------------------------------------------------------------------

// Every rectangle of the window for a picture of width x height pixels.
struct WindowLayout {
    LayoutRect picture;      // the bitmap copied at its own size
    LayoutRect versionLine;  // text rectangle of the version line
    LayoutRect panel;        // the white panel as it appears
    LayoutRect panelFill;    // the Rectangle call that paints it with no outline
    LayoutRect panelLine1;   // text rectangles of the two panel lines
    LayoutRect panelLine2;
    LayoutRect button;            // stored as buttonRect; the label is centred in it
    RoundRectCall buttonOutline;  // the RoundRect call of the button and the blink frame
    LayoutRect installingBand;    // "Installing", centred
    LayoutRect statusBand;        // the status line, centred across at the band's top
};

WindowLayout ComputeLayout(std::int32_t width, std::int32_t height);

// The version line for an OsClass value; unknown classes read "O/S: unknown".
const char* VersionLineText(std::int32_t osClass);

// The button label: "Remove" when the product is installed (non-zero), else "Install".
const char* ButtonLabel(std::int32_t installed);

// The two panel lines, written into out (at most capacity - 1 characters, always
// terminated when capacity > 0). PANEL_TEXT_SIZE bytes hold every line.
void FormatPanelLine1(std::int32_t installed, char* out, std::size_t capacity);
void FormatPanelLine2(std::int32_t installed, char* out, std::size_t capacity);

}  // namespace qs
