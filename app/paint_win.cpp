#include "app/paint.h"

#include <cstring>
#include <utility>

#include "app/layout.h"
#include "platform/owners.h"
#include "platform/version.h"

namespace qs {
namespace {

RECT ToRect(const LayoutRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

WindowLayout LayoutOf(const InstallerState& state) { return ComputeLayout(state.bitmapWidth, state.bitmapHeight); }

// Arial at the given cell height and weight; every other LOGFONTA member is zero.
HFONT CreateArial(LONG height, LONG weight) {
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    static_assert(sizeof FONT_FACE <= sizeof font.lfFaceName);
    std::memcpy(font.lfFaceName, FONT_FACE, sizeof FONT_FACE);
    return ::CreateFontIndirectA(&font);
}

// One zero-terminated line of text in rect.
void DrawLine(HDC dc, const char* text, const LayoutRect& rect, UINT format) {
    RECT r = ToRect(rect);
    ::DrawTextA(dc, text, -1, &r, format);
}

void DeleteIfPresent(HGDIOBJ object) {
    if (object != nullptr) ::DeleteObject(object);
}

void StoreButtonRect(InstallerState& state, const LayoutRect& button) {
    state.buttonRect = ButtonRect{button.left, button.top, button.right, button.bottom};
}

void CallRoundRect(HDC dc, const RoundRectCall& call) {
    ::RoundRect(dc, call.rect.left, call.rect.top, call.rect.right, call.rect.bottom, call.ellipseWidth,
                call.ellipseHeight);
}

constexpr UINT CENTRED_LINE = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

}  // namespace

int PrepareWindowResources(InstallerState& state) {
    state.textFont = CreateArial(TEXT_FONT_HEIGHT, TEXT_FONT_WEIGHT);
    state.buttonFont = CreateArial(BUTTON_FONT_HEIGHT, BUTTON_FONT_WEIGHT);

    state.backgroundBitmap = ::LoadBitmapA(state.instance, MAKEINTRESOURCEA(BITMAP_RESOURCE_ID));
    BITMAP description{};
    if (state.backgroundBitmap != nullptr) {
        ::GetObjectA(state.backgroundBitmap, sizeof description, &description);
    }
    state.bitmapWidth = description.bmWidth;
    state.bitmapHeight = description.bmHeight;

    state.handCursor = ::LoadCursorA(nullptr, IDC_HAND);
    state.osClass = GetOsClass();

    // A path cut at the buffer's end would name another file: record none instead.
    const DWORD length = ::GetModuleFileNameA(state.instance, state.modulePath, PATH_BUFFER_SIZE);
    if (length == 0 || length >= PATH_BUFFER_SIZE) state.modulePath[0] = '\0';
    return 0;
}

int ReleaseWindowResources(InstallerState& state) {
    DeleteIfPresent(std::exchange(state.backgroundBitmap, nullptr));
    DeleteIfPresent(std::exchange(state.textFont, nullptr));
    DeleteIfPresent(std::exchange(state.buttonFont, nullptr));
    return 0;
}

void DrawBackground(HDC dc, int x, int y, HBITMAP bitmap) {
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    SelectGuard selected(memory.get(), bitmap);
    BITMAP description{};
    ::GetObjectA(bitmap, sizeof description, &description);
    ::BitBlt(dc, x, y, description.bmWidth, description.bmHeight, memory.get(), 0, 0, SRCCOPY);
}

void PaintWindow(InstallerState& state, HDC dc) {
    const WindowLayout layout = LayoutOf(state);
    {
        SelectGuard font(dc, state.textFont);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, COLOUR_GREY);
        DrawLine(dc, VersionLineText(state.osClass), layout.versionLine, DT_SINGLELINE);
    }
    DrawPanel(state, dc);
    DrawButton(state, dc, 0);
}

void DrawPanel(InstallerState& state, HDC dc) {
    const WindowLayout layout = LayoutOf(state);
    SelectGuard brush(dc, ::GetStockObject(WHITE_BRUSH));
    SelectGuard pen(dc, ::GetStockObject(NULL_PEN));
    ::Rectangle(dc, layout.panelFill.left, layout.panelFill.top, layout.panelFill.right, layout.panelFill.bottom);

    SelectGuard font(dc, state.textFont);
    ::SetTextColor(dc, COLOUR_BLACK);
    ::SetBkMode(dc, TRANSPARENT);
    char line[PANEL_TEXT_SIZE];
    FormatPanelLine1(state.installed, line, sizeof line);
    DrawLine(dc, line, layout.panelLine1, DT_SINGLELINE);

    ::SetTextColor(dc, COLOUR_GREY);
    FormatPanelLine2(state.installed, line, sizeof line);
    DrawLine(dc, line, layout.panelLine2, DT_SINGLELINE);
}

void DrawButton(InstallerState& state, HDC dc, int pressed) {
    const WindowLayout layout = LayoutOf(state);
    StoreButtonRect(state, layout.button);

    SelectGuard pen(dc, ::GetStockObject(BLACK_PEN));
    SelectGuard brush(dc, ::GetStockObject(pressed != 0 ? BLACK_BRUSH : WHITE_BRUSH));
    ::SetTextColor(dc, pressed != 0 ? COLOUR_WHITE : COLOUR_BLACK);
    CallRoundRect(dc, layout.buttonOutline);

    SelectGuard font(dc, state.buttonFont);
    ::SetBkMode(dc, TRANSPARENT);
    DrawLine(dc, ButtonLabel(state.installed), layout.button, CENTRED_LINE);
}

bool TakeStatusLine(InstallerState& state, char* out, std::size_t capacity) {
    const std::uint32_t sequence = CopyStatusText(state, out, capacity);
    const bool another = sequence != state.shownStatusSequence;
    state.shownStatusSequence = sequence;
    return another;
}

bool DrawBlinkFrame(InstallerState& state, HDC dc, int phase) {
    const WindowLayout layout = LayoutOf(state);
    StoreButtonRect(state, layout.button);

    // The worker may be rewriting statusText: draw from a private copy.
    char status[STATUS_DRAW_SIZE];
    const bool another = TakeStatusLine(state, status, sizeof status);

    SelectGuard pen(dc, ::GetStockObject(BLACK_PEN));
    SelectGuard brush(dc, ::GetStockObject(BLACK_BRUSH));
    SelectGuard font(dc, state.buttonFont);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, COLOUR_WHITE);
    // The whole button turns black, wiping the previous tick's texts.
    CallRoundRect(dc, layout.buttonOutline);
    if (phase == 1) DrawLine(dc, INSTALLING_TEXT, layout.installingBand, CENTRED_LINE);

    SelectGuard textFont(dc, state.textFont);
    DrawLine(dc, status, layout.statusBand, DT_CENTER | DT_SINGLELINE);
    return another;
}

}  // namespace qs
