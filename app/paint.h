// The installer window's GDI resources and its drawing. Every drawing recomputes the
// layout (app/layout.h) from bitmapWidth and bitmapHeight and rereads the state; nothing
// is cached between drawings. All of it runs on the window thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "resources/resource_ids.h"
#include "setup/state.h"

namespace qs {

// Resource identifiers of the running module.
inline constexpr WORD ICON_RESOURCE_ID = QS_ICON_RESOURCE_ID;
inline constexpr WORD BITMAP_RESOURCE_ID = QS_BITMAP_RESOURCE_ID;

// Fonts: Arial, character cell height in logical units and weight.
inline constexpr char FONT_FACE[] = "Arial";
inline constexpr LONG TEXT_FONT_HEIGHT = 16;
inline constexpr LONG TEXT_FONT_WEIGHT = 800;
inline constexpr LONG BUTTON_FONT_HEIGHT = 40;
inline constexpr LONG BUTTON_FONT_WEIGHT = 400;

inline constexpr COLORREF COLOUR_BLACK = 0x000000;
inline constexpr COLORREF COLOUR_WHITE = 0xFFFFFF;
inline constexpr COLORREF COLOUR_GREY = 0x646464;  // the version line and panel line 2

// Creates the two fonts, loads bitmap 101 of state.instance and records its size, takes
// the system hand cursor, and fills osClass and modulePath. No GDI result is tested:
// what cannot be created stays null (a missing bitmap gives a 0 x 0 picture). Returns 0.
// The window detects the installed state right after (setup/steps.h).
int PrepareWindowResources(InstallerState& state);

// Deletes the bitmap and the two fonts that are not null and nulls their fields, so a
// second call does nothing. The hand cursor is shared and not released. Returns 0.
int ReleaseWindowResources(InstallerState& state);

// Copies the whole bitmap to (x, y) of dc.
void DrawBackground(HDC dc, int x, int y, HBITMAP bitmap);

// The version line on the picture, the panel and the button in its normal look.
void PaintWindow(InstallerState& state, HDC dc);

// The white panel below the picture and its two lines of guidance.
void DrawPanel(InstallerState& state, HDC dc);

// The button, normal (pressed 0: white face, black text) or pressed (1: black face,
// white text). Stores the button rectangle in state.buttonRect.
void DrawButton(InstallerState& state, HDC dc, int pressed);

// The button area as the black progress frame: "Installing" when phase is 1, and the
// first 127 characters of statusText. Stores the button rectangle in state.buttonRect.
// True when the status line drawn is another than the window took before (TakeStatusLine).
bool DrawBlinkFrame(InstallerState& state, HDC dc, int phase);

// The window's one read of the status line while an install runs: copies it into out and
// says whether it is another line than the one the window took before. The window
// announces a new line as the button's new name.
bool TakeStatusLine(InstallerState& state, char* out, std::size_t capacity);

}  // namespace qs
