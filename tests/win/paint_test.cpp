// Drawing of the installer window into a memory device context backed by a DIB section,
// checked pixel by pixel.
#include "app/paint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/layout.h"
#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/version.h"

namespace qs {
namespace {

constexpr std::uint32_t BLACK = 0x000000;
constexpr std::uint32_t WHITE = 0xFFFFFF;
constexpr std::uint32_t GREY = 0x646464;
constexpr std::uint32_t UNTOUCHED = 0x00C000;  // the canvas before drawing

// The client area of the shipped picture, with a margin right and below to show that
// nothing is drawn outside it.
constexpr int PICTURE_W = 900;
constexpr int PICTURE_H = 394;
constexpr int CANVAS_W = PICTURE_W + 10;
constexpr int CANVAS_H = PICTURE_H + PANEL_HEIGHT + 10;

// A top-down 32-bit DIB section selected into a memory DC, filled with UNTOUCHED.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.reset(::CreateCompatibleDC(nullptr));
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<std::uint32_t*>(bits);
        previous_ = ::SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < width * height; ++i) bits_[i] = UNTOUCHED;
    }
    ~Canvas() { ::SelectObject(dc_.get(), previous_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return dc_ && bitmap_ && bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    // 0xRRGGBB.
    std::uint32_t at(int x, int y) const {
        ::GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }
    int count(const LayoutRect& r, const std::function<bool(std::uint32_t)>& match) const {
        ::GdiFlush();
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += match(bits_[y * width_ + x] & 0xFFFFFF) ? 1 : 0;
        return n;
    }
    int count(const LayoutRect& r, std::uint32_t colour) const {
        return count(r, [colour](std::uint32_t c) { return c == colour; });
    }
    // Leftmost and rightmost column within r holding a pixel that match accepts; {-1, -1}
    // when there is none.
    std::pair<int, int> span(const LayoutRect& r, const std::function<bool(std::uint32_t)>& match) const {
        ::GdiFlush();
        std::pair<int, int> s{-1, -1};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (match(bits_[y * width_ + x] & 0xFFFFFF)) {
                    if (s.first < 0 || x < s.first) s.first = x;
                    if (x > s.second) s.second = x;
                }
        return s;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueGdiObject bitmap_;
    std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

std::string Hex(std::uint32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", c);
    return text;
}

// Width of text in the given font, as GDI lays it out.
int TextWidth(HFONT font, const char* text) {
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    SelectGuard selected(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), text, static_cast<int>(std::strlen(text)), &size);
    return size.cx;
}

// Ink of a line whose layout width is `width`: the glyphs' side bearings may leave a
// few columns of the layout blank, and the ink never reaches beyond it.
void ExpectInkWidth(std::pair<int, int> ink, int width, const char* what) {
    ASSERT_GE(ink.first, 0) << what << ": no ink";
    const int inkWidth = ink.second - ink.first + 1;
    EXPECT_LE(inkWidth, width + 1) << what;
    EXPECT_GE(inkWidth, width - 10) << what;
}

class PaintTest : public testing::Test {
protected:
    void SetUp() override {
        FillKnownFolders();
        state_->instance = ::GetModuleHandleA(nullptr);
        PrepareWindowResources(*state_);
        // This program carries no picture: lay out for the shipped one.
        state_->bitmapWidth = PICTURE_W;
        state_->bitmapHeight = PICTURE_H;
        state_->installed = 0;
        ASSERT_TRUE(canvas_.ok());
    }
    void TearDown() override { ReleaseWindowResources(*state_); }

    LayoutRect Button() const { return ComputeLayout(state_->bitmapWidth, state_->bitmapHeight).button; }

    std::unique_ptr<InstallerState> state_ = std::make_unique<InstallerState>();
    Canvas canvas_{CANVAS_W, CANVAS_H};
};

TEST_F(PaintTest, PrepareFillsFontsCursorClassAndPathFromTheModule) {
    struct FontCase {
        HFONT font;
        LONG height;
        LONG weight;
    } fonts[] = {{state_->textFont, 16, 800}, {state_->buttonFont, 40, 400}};
    for (const FontCase& f : fonts) {
        ASSERT_NE(f.font, nullptr);
        LOGFONTA got;
        std::memset(&got, 0x5A, sizeof got);
        ASSERT_EQ(::GetObjectA(f.font, sizeof got, &got), static_cast<int>(sizeof got));
        EXPECT_EQ(got.lfHeight, f.height);
        EXPECT_EQ(got.lfWeight, f.weight);
        EXPECT_STREQ(got.lfFaceName, "Arial");
        const LONG zeroLongs[] = {got.lfWidth, got.lfEscapement, got.lfOrientation};
        for (LONG v : zeroLongs) EXPECT_EQ(v, 0);
        const BYTE zeroBytes[] = {got.lfItalic,       got.lfUnderline,     got.lfStrikeOut, got.lfCharSet,
                                  got.lfOutPrecision, got.lfClipPrecision, got.lfQuality,   got.lfPitchAndFamily};
        for (BYTE v : zeroBytes) EXPECT_EQ(v, 0);
    }
    EXPECT_EQ(state_->handCursor, ::LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(state_->osClass, GetOsClass());

    char own[PATH_BUFFER_SIZE] = {};
    ::GetModuleFileNameA(nullptr, own, sizeof own);
    EXPECT_STREQ(state_->modulePath, own);
}

TEST_F(PaintTest, PrepareWithoutPictureLeavesAZeroSizeAndTheInstalledStateAlone) {
    auto fresh = std::make_unique<InstallerState>();
    fresh->instance = ::GetModuleHandleA(nullptr);  // no bitmap 101 in this program
    fresh->installed = 7;
    EXPECT_EQ(PrepareWindowResources(*fresh), 0);
    EXPECT_EQ(fresh->backgroundBitmap, nullptr);
    EXPECT_EQ(fresh->bitmapWidth, 0);
    EXPECT_EQ(fresh->bitmapHeight, 0);
    EXPECT_EQ(fresh->installed, 7) << "the window detects the installed state, not the painting code";
    ReleaseWindowResources(*fresh);
}

TEST_F(PaintTest, ReleaseDeletesEachObjectOnceAndASecondCallDoesNothing) {
    const HGDIOBJ text = state_->textFont;
    const HGDIOBJ button = state_->buttonFont;
    ASSERT_EQ(::GetObjectType(text), static_cast<DWORD>(OBJ_FONT));
    ASSERT_EQ(::GetObjectType(button), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(ReleaseWindowResources(*state_), 0);
    EXPECT_EQ(state_->textFont, nullptr);
    EXPECT_EQ(state_->buttonFont, nullptr);
    EXPECT_EQ(state_->backgroundBitmap, nullptr);
    EXPECT_EQ(::GetObjectType(text), 0u);
    EXPECT_EQ(::GetObjectType(button), 0u);

    // Objects made after the first release (which may reuse the old handle values) live
    // on through a second release.
    UniqueGdiObject later(::CreateSolidBrush(0x123456));
    EXPECT_EQ(ReleaseWindowResources(*state_), 0);
    EXPECT_EQ(::GetObjectType(later.get()), static_cast<DWORD>(OBJ_BRUSH));
}

// The built installer, loaded for its resources only. Wine shows the build tree's Unix
// paths under drive Z:.
std::string InstallerPath() {
    std::string path = "Z:" QS_INSTALLER_PATH;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TEST_F(PaintTest, PictureOfTheInstallerIsLoadedAndCopiedWholeToTheOffset) {
    UniqueModule installer(::LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(installer) << InstallerPath();
    auto fresh = std::make_unique<InstallerState>();
    fresh->instance = installer.get();
    PrepareWindowResources(*fresh);
    ASSERT_NE(fresh->backgroundBitmap, nullptr);
    EXPECT_EQ(fresh->bitmapWidth, PICTURE_W);
    EXPECT_EQ(fresh->bitmapHeight, PICTURE_H);

    // The picture's own pixels, to compare the copy with.
    Canvas reference(PICTURE_W, PICTURE_H);
    DrawBackground(reference.dc(), 0, 0, fresh->backgroundBitmap);
    EXPECT_NE(Hex(reference.at(0, 0)), Hex(UNTOUCHED));
    EXPECT_NE(Hex(reference.at(PICTURE_W - 1, PICTURE_H - 1)), Hex(UNTOUCHED));

    constexpr int dx = 7, dy = 5;
    Canvas canvas(CANVAS_W, CANVAS_H);
    DrawBackground(canvas.dc(), dx, dy, fresh->backgroundBitmap);
    int different = 0;
    for (int y = 0; y < PICTURE_H; y += 7)
        for (int x = 0; x < PICTURE_W; x += 7) different += canvas.at(x + dx, y + dy) != reference.at(x, y);
    different += canvas.at(PICTURE_W - 1 + dx, PICTURE_H - 1 + dy) != reference.at(PICTURE_W - 1, PICTURE_H - 1);
    EXPECT_EQ(different, 0);
    EXPECT_EQ(Hex(canvas.at(dx - 1, dy)), Hex(UNTOUCHED));
    EXPECT_EQ(Hex(canvas.at(dx, dy - 1)), Hex(UNTOUCHED));
    EXPECT_EQ(Hex(canvas.at(PICTURE_W + dx, dy)), Hex(UNTOUCHED));
    EXPECT_EQ(Hex(canvas.at(dx, PICTURE_H + dy)), Hex(UNTOUCHED));

    ReleaseWindowResources(*fresh);
}

// Every drawing selects back the pen, brush and font it found, leaves the background
// mode transparent, and stores buttonRect where it draws the button.
TEST_F(PaintTest, EveryDrawingRestoresSelectionsAndStoresTheButton) {
    struct Case {
        const char* name;
        std::function<void(InstallerState&, HDC)> draw;
        bool storesButton;
    } cases[] = {
        {"PaintWindow", [](InstallerState& s, HDC dc) { PaintWindow(s, dc); }, true},
        {"DrawPanel", [](InstallerState& s, HDC dc) { DrawPanel(s, dc); }, false},
        {"DrawButton normal", [](InstallerState& s, HDC dc) { DrawButton(s, dc, 0); }, true},
        {"DrawButton pressed", [](InstallerState& s, HDC dc) { DrawButton(s, dc, 1); }, true},
        {"DrawBlinkFrame 0", [](InstallerState& s, HDC dc) { DrawBlinkFrame(s, dc, 0); }, true},
        {"DrawBlinkFrame 1", [](InstallerState& s, HDC dc) { DrawBlinkFrame(s, dc, 1); }, true},
    };
    UniqueGdiObject pen(::CreatePen(PS_SOLID, 3, 0x0000FF));
    UniqueGdiObject brush(::CreateSolidBrush(0x00FF00));
    UniqueGdiObject font(::CreateFontA(11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    const HDC dc = canvas_.dc();
    SelectGuard keepPen(dc, pen.get());
    SelectGuard keepBrush(dc, brush.get());
    SelectGuard keepFont(dc, font.get());
    for (const Case& c : cases) {
        for (const auto& size : {std::pair{PICTURE_W, PICTURE_H}, std::pair{640, 200}}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(size.first) + " x " +
                         std::to_string(size.second));
            state_->bitmapWidth = size.first;
            state_->bitmapHeight = size.second;
            ::SetBkMode(dc, OPAQUE);
            state_->buttonRect = ButtonRect{-1, -2, -3, -4};
            c.draw(*state_, dc);
            EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen.get());
            EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush.get());
            EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font.get());
            EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
            const ButtonRect r = state_->buttonRect;
            const ButtonRect want =
                c.storesButton ? ButtonRect{size.first - 320, size.second + 20, size.first - 20, size.second + 80}
                               : ButtonRect{-1, -2, -3, -4};
            EXPECT_EQ(r.left, want.left);
            EXPECT_EQ(r.top, want.top);
            EXPECT_EQ(r.right, want.right);
            EXPECT_EQ(r.bottom, want.bottom);
        }
    }
}

TEST_F(PaintTest, PanelIsWhiteWithoutOutlineAndHoldsTheLinesForTheInstalledState) {
    for (int installed : {0, 1}) {
        SCOPED_TRACE("installed " + std::to_string(installed));
        Canvas canvas(CANVAS_W, CANVAS_H);
        state_->installed = installed;
        DrawPanel(*state_, canvas.dc());

        // White from (0, H) to (W - 1, H + 99), corners included; nothing beyond.
        struct Probe {
            int x, y;
            std::uint32_t colour;
        } probes[] = {
            {0, PICTURE_H, WHITE},
            {PICTURE_W - 1, PICTURE_H, WHITE},
            {0, PICTURE_H + 99, WHITE},
            {PICTURE_W - 1, PICTURE_H + 99, WHITE},
            {5, PICTURE_H + 5, WHITE},
            {PICTURE_W - 5, PICTURE_H + 95, WHITE},
            {0, PICTURE_H - 1, UNTOUCHED},
            {PICTURE_W, PICTURE_H + 50, UNTOUCHED},
            {10, PICTURE_H + 100, UNTOUCHED},
        };
        for (const Probe& p : probes) {
            EXPECT_EQ(Hex(canvas.at(p.x, p.y)), Hex(p.colour)) << "at " << p.x << ", " << p.y;
        }

        // Line 1 black from x 20 in the band starting at H + 30; line 2 grey 20 lower.
        char line[PANEL_TEXT_SIZE];
        const LayoutRect band1{0, PICTURE_H + 30, PICTURE_W, PICTURE_H + 50};
        const LayoutRect band2{0, PICTURE_H + 50, PICTURE_W, PICTURE_H + 70};
        EXPECT_GT(canvas.count(band1, BLACK), 20);
        EXPECT_EQ(canvas.count(band1, GREY), 0);
        EXPECT_GT(canvas.count(band2, GREY), 20);
        EXPECT_EQ(canvas.count(band2, BLACK), 0);
        auto notWhite = [](std::uint32_t c) { return c != WHITE; };
        const auto ink1 = canvas.span(band1, notWhite);
        const auto ink2 = canvas.span(band2, notWhite);
        EXPECT_GE(ink1.first, 20);
        EXPECT_GE(ink2.first, 20);
        FormatPanelLine1(installed, line, sizeof line);
        ExpectInkWidth(ink1, TextWidth(state_->textFont, line), line);
        FormatPanelLine2(installed, line, sizeof line);
        ExpectInkWidth(ink2, TextWidth(state_->textFont, line), line);
        EXPECT_EQ(canvas.count({0, PICTURE_H + 70, PICTURE_W, PICTURE_H + 100}, notWhite), 0);
    }
}

TEST_F(PaintTest, ButtonNormalAndPressedLooks) {
    struct Case {
        int pressed;
        std::uint32_t face;
        std::uint32_t label;
    } cases[] = {{0, WHITE, BLACK}, {1, BLACK, WHITE}};
    for (int installed : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE("installed " + std::to_string(installed) + ", pressed " + std::to_string(c.pressed));
            Canvas canvas(CANVAS_W, CANVAS_H);
            state_->installed = installed;
            DrawButton(*state_, canvas.dc(), c.pressed);
            const LayoutRect b = Button();  // (580, 414, 880, 474)

            // Black outline on the button rectangle's edges, right and bottom included.
            struct Probe {
                int x, y;
                std::uint32_t colour;
            } probes[] = {
                {b.left, 444, BLACK},
                {b.right, 444, BLACK},
                {730, b.top, BLACK},
                {730, b.bottom, BLACK},
                {b.left - 1, 444, UNTOUCHED},
                {b.right + 1, 444, UNTOUCHED},
                {730, b.top - 1, UNTOUCHED},
                {730, b.bottom + 1, UNTOUCHED},
                {b.left + 3, b.top + 3, c.face},
                {b.right - 3, b.bottom - 3, c.face},
                {b.left, b.top, UNTOUCHED},  // rounded corner
            };
            for (const Probe& p : probes) {
                EXPECT_EQ(Hex(canvas.at(p.x, p.y)), Hex(p.colour)) << "at " << p.x << ", " << p.y;
            }

            // The label, centred both ways in the label colour (looked for clear of the
            // rounded corners' outline).
            const LayoutRect inside{b.left + 4, b.top + 4, b.right - 3, b.bottom - 3};
            const auto ink = canvas.span(inside, [&](std::uint32_t px) { return px == c.label; });
            const int width = TextWidth(state_->buttonFont, ButtonLabel(installed));
            ExpectInkWidth(ink, width, ButtonLabel(installed));
            EXPECT_NEAR((ink.first + ink.second) / 2, (b.left + b.right) / 2, 4);
        }
    }
}

TEST_F(PaintTest, BlinkFrameShowsInstallingOnOddTicksAndTheStatusAlways) {
    SetStatusText(*state_, "Copy Files");
    const LayoutRect b = Button();
    const LayoutRect installing{b.left + 1, b.top + 1, b.right, b.bottom - 21};  // above the status band
    const LayoutRect status{b.left + 1, b.bottom - 20, b.right, b.bottom};
    Canvas canvas(CANVAS_W, CANVAS_H);
    DrawButton(*state_, canvas.dc(), 0);  // the frame replaces the button on the same area
    for (int tick = 1; tick <= 4; ++tick) {
        SCOPED_TRACE("tick " + std::to_string(tick));
        DrawBlinkFrame(*state_, canvas.dc(), tick & 1);
        EXPECT_EQ(Hex(canvas.at(b.left + 3, b.top + 3)), Hex(BLACK));
        EXPECT_EQ(Hex(canvas.at(b.left, 444)), Hex(BLACK));
        EXPECT_EQ(Hex(canvas.at(b.right, 444)), Hex(BLACK));
        const int white = canvas.count(installing, WHITE);
        if (tick & 1) {
            EXPECT_GT(white, 50);
            const auto ink = canvas.span(installing, [](std::uint32_t c) { return c == WHITE; });
            ExpectInkWidth(ink, TextWidth(state_->buttonFont, INSTALLING_TEXT), INSTALLING_TEXT);
        } else {
            EXPECT_EQ(white, 0) << "the previous tick's text is wiped";
        }
        if (tick & 1) {
            // The descenders of "Installing" reach into the status band's top rows.
            EXPECT_GT(canvas.count({b.left + 1, b.bottom - 12, b.right, b.bottom}, WHITE), 10);
        } else {
            const auto ink = canvas.span(status, [](std::uint32_t c) { return c == WHITE; });
            ExpectInkWidth(ink, TextWidth(state_->textFont, "Copy Files"), "status");
            EXPECT_NEAR((ink.first + ink.second) / 2, (b.left + b.right) / 2, 4);
        }
        EXPECT_EQ(canvas.count(status, UNTOUCHED), 0);
    }
}

// The status line is drawn from its first 127 characters: a marker centred in those
// stays centred even when the text goes on far beyond them.
TEST_F(PaintTest, BlinkFrameDrawsTheStatusCutAt127Characters) {
    std::string text(63, ' ');
    text += 'W';
    text += std::string(63, ' ');  // 127 characters with the marker in the middle
    ASSERT_EQ(text.size(), 127u);
    text += std::string(300, ' ') + "overflow";
    SetStatusText(*state_, text.c_str());

    Canvas canvas(CANVAS_W, CANVAS_H);
    DrawBlinkFrame(*state_, canvas.dc(), 0);
    const LayoutRect b = Button();
    const auto ink =
        canvas.span({b.left + 1, b.bottom - 20, b.right, b.bottom}, [](std::uint32_t c) { return c == WHITE; });
    ASSERT_GE(ink.first, 0) << "marker not drawn";
    EXPECT_NEAR((ink.first + ink.second) / 2, (b.left + b.right) / 2, 6);
    EXPECT_LE(ink.second - ink.first + 1, TextWidth(state_->textFont, "W") + 1);
}

TEST_F(PaintTest, PaintWindowDrawsVersionLinePanelAndNormalButton) {
    struct Case {
        OsClass osClass;
        std::int32_t installed;
    } cases[] = {{4, 0}, {-1, 1}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("class " + std::to_string(c.osClass));
        Canvas canvas(CANVAS_W, CANVAS_H);
        state_->osClass = c.osClass;
        state_->installed = c.installed;
        PaintWindow(*state_, canvas.dc());

        const LayoutRect versionBand{0, 0, PICTURE_W, 40};
        const auto ink = canvas.span(versionBand, [](std::uint32_t px) { return px != UNTOUCHED; });
        EXPECT_GE(ink.first, 15);
        EXPECT_GT(canvas.count(versionBand, GREY), 10);
        EXPECT_EQ(canvas.count(versionBand, BLACK), 0);
        ExpectInkWidth(ink, TextWidth(state_->textFont, VersionLineText(c.osClass)), VersionLineText(c.osClass));

        EXPECT_EQ(Hex(canvas.at(5, PICTURE_H + 5)), Hex(WHITE));  // panel
        const LayoutRect b = Button();
        EXPECT_EQ(Hex(canvas.at(b.left, 444)), Hex(BLACK));                       // button outline
        EXPECT_EQ(Hex(canvas.at(b.left + 3, b.top + 3)), Hex(WHITE));             // normal face
        EXPECT_EQ(Hex(canvas.at(PICTURE_W / 2, PICTURE_H / 2)), Hex(UNTOUCHED));  // picture left alone
    }
}

}  // namespace
}  // namespace qs
