// The installer window's accessible object. One object per window, made on the first
// WM_GETOBJECT and handed out through OLEACC's LresultFromObject; its children are simple
// elements (ids of app/accessible_tree.h) answered by the object itself. Every answer is
// read from the state and the layout at the time of the call, as the painting does.
// OLEACC and OLEAUT32 are looked up at run time, so neither is imported.
#include "app/accessible.h"
#include "app/switches.h"

#include <oleacc.h>

#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "app/accessible_tree.h"
#include "app/layout.h"
#include "app/protocol.h"
#include "app/window.h"
#include "platform/owners.h"
#include "platform/paths.h"
#include "platform/system_seam.h"
#include "platform/text.h"
#include "setup/product.h"

namespace qs {
namespace {

constexpr char ACCESSIBILITY_LIBRARY[] = "OLEACC.DLL";
constexpr char AUTOMATION_LIBRARY[] = "OLEAUT32.DLL";
constexpr char LRESULT_FROM_OBJECT[] = "LresultFromObject";
constexpr char OBJECT_FROM_WINDOW[] = "AccessibleObjectFromWindow";
constexpr char ALLOCATE_STRING[] = "SysAllocStringLen";

// Longest text the object hands out, in characters: the window title and every drawn line
// fit (WINDOW_TITLE_SIZE, PANEL_TEXT_SIZE, STATUS_DRAW_SIZE).
constexpr std::size_t NAME_SIZE = 256;

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
using AllocateStringFn = BSTR(WINAPI*)(const OLECHAR*, UINT);

// OLEACC and OLEAUT32 with the functions the object and the window use.
struct AccessibilityLibraries {
    AccessibilityLibraries()
        : accessibility(ACCESSIBILITY_LIBRARY),
          automation(AUTOMATION_LIBRARY),
          lresultFromObject(accessibility.Find<LresultFromObjectFn>(LRESULT_FROM_OBJECT)),
          objectFromWindow(accessibility.Find<ObjectFromWindowFn>(OBJECT_FROM_WINDOW)),
          allocateString(automation.Find<AllocateStringFn>(ALLOCATE_STRING)) {}
    bool complete() const {
        return lresultFromObject != nullptr && objectFromWindow != nullptr && allocateString != nullptr;
    }

    SystemLibrary accessibility;
    SystemLibrary automation;
    LresultFromObjectFn lresultFromObject;
    ObjectFromWindowFn objectFromWindow;
    AllocateStringFn allocateString;
};

// The ASCII text as a BSTR (cut at NAME_SIZE - 1 characters).
HRESULT ToBstr(AllocateStringFn allocate, const char* text, BSTR* out) {
    OLECHAR wide[NAME_SIZE];
    UINT length = 0;
    for (; length + 1 < NAME_SIZE && text[length] != '\0'; ++length) {
        wide[length] = static_cast<OLECHAR>(static_cast<unsigned char>(text[length]));
    }
    *out = allocate(wide, length);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, std::int32_t child) {
    out->vt = VT_I4;
    out->lVal = child;
}

LayoutRect MeasuredLine(HDC dc, const char* text, const LayoutRect& line) {
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
    return TextLineBounds(line, extent.cx, extent.cy);
}

// The client area's accessible object. It reads the window and the state only while it
// is connected: from ReleaseAccessibleObject on it holds neither and answers every call
// with CO_E_OBJNOTCONNECTED. Lives on the heap until its last reference is released.
// COM interfaces have no virtual destructor: the object destroys itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClientAccessible final : public IAccessible {
public:
    static ClientAccessible* Create(InstallerState& state, HWND window, const AccessibilityLibraries& libraries) {
        void* memory = ::HeapAlloc(::GetProcessHeap(), 0, sizeof(ClientAccessible));
        return memory != nullptr ? ::new (memory) ClientAccessible(state, window, libraries) : nullptr;
    }

    void Disconnect() {
        state_ = nullptr;
        window_ = nullptr;
        ::CoDisconnectObject(this, 0);
    }

    // ---- IUnknown ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0) {
            this->~ClientAccessible();
            ::HeapFree(::GetProcessHeap(), 0, this);
        }
        return static_cast<ULONG>(left);
    }

    // ---- IDispatch: no type information; clients call IAccessible directly ----
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible ----
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        if (!connected()) return CO_E_OBJNOTCONNECTED;
        return objectFromWindow_(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                 reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) return E_POINTER;
        if (!connected()) return CO_E_OBJNOTCONNECTED;
        *count = CHILD_COUNT;
        return S_OK;
    }
    // The children are simple elements: no object of their own.
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
        if (child == nullptr) return E_POINTER;
        *child = nullptr;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        return which == CHILD_SELF ? E_INVALIDARG : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (name == nullptr) return E_POINTER;
        *name = nullptr;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        char text[NAME_SIZE];
        NameOf(which, text);
        return ToBstr(allocateString_, text, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override { return NoText(id, value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* text) override { return NoText(id, text); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* text) override { return NoText(id, text); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* text) override { return NoText(id, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT id, LONG* topic) override {
        if (topic == nullptr) return E_POINTER;
        *topic = 0;
        return NoText(id, file);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        return ChildNumber(id, role, [](const ClientAccessible&, std::int32_t which) { return RoleOf(which); });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        return ChildNumber(id, state,
                           [](const ClientAccessible& self, std::int32_t which) { return self.StateOf(which); });
    }
    // The button has the keyboard focus whenever the window has it: Enter presses it.
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (!connected()) return CO_E_OBJNOTCONNECTED;
        if (!HasFocus()) return S_FALSE;
        SetChild(focus, CHILD_BUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection == nullptr) return E_POINTER;
        selection->vt = VT_EMPTY;
        return connected() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
        if (action == nullptr) return E_POINTER;
        *action = nullptr;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        if (which == CHILD_BUTTON) return ToBstr(allocateString_, PRESS_ACTION, action);
        if (which == CHILD_PICTURE_LINK) return ToBstr(allocateString_, JUMP_ACTION, action);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT id) override {
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        return FAILED(checked) ? checked : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        *left = *top = *width = *height = 0;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        LayoutRect box = ClientBox();
        if (which != CHILD_SELF) box = Boxes()[static_cast<std::size_t>(which)];
        POINT origin{box.left, box.top};
        ::ClientToScreen(window_, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = box.right - box.left;
        *height = box.bottom - box.top;
        return S_OK;
    }
    // Children in id order; spatial directions and the client's siblings are not known here.
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) return E_POINTER;
        end->vt = VT_EMPTY;
        std::int32_t from = 0;
        const HRESULT checked = Check(start, &from);
        if (FAILED(checked)) return checked;
        std::int32_t to = CHILD_SELF;
        if (from == CHILD_SELF && direction == NAVDIR_FIRSTCHILD) to = 1;
        if (from == CHILD_SELF && direction == NAVDIR_LASTCHILD) to = CHILD_COUNT;
        if (from != CHILD_SELF && direction == NAVDIR_NEXT) to = from + 1;
        if (from != CHILD_SELF && direction == NAVDIR_PREVIOUS) to = from - 1;
        if (!IsChild(to)) return S_FALSE;
        SetChild(end, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* found) override {
        if (found == nullptr) return E_POINTER;
        found->vt = VT_EMPTY;
        if (!connected()) return CO_E_OBJNOTCONNECTED;
        POINT point{x, y};
        ::ScreenToClient(window_, &point);
        const LayoutRect client = ClientBox();
        if (point.x < client.left || point.x >= client.right || point.y < client.top || point.y >= client.bottom) {
            return S_FALSE;
        }
        SetChild(found, ChildAt(Boxes(), point.x, point.y));
        return S_OK;
    }
    // Posted, not done here: the client's call returns at once, and the window acts from
    // its own loop with the guards of Enter and of a click (window_win.cpp).
    // An unavailable child does nothing and says so.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        if (which != CHILD_BUTTON && which != CHILD_PICTURE_LINK) return DISP_E_MEMBERNOTFOUND;
        if (!Available(which)) return E_FAIL;
        return ::PostMessageA(window_, WM_COMMAND, CMD_DEFAULT_ACTION, which) != FALSE ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ClientAccessible(InstallerState& state, HWND window, const AccessibilityLibraries& libraries)
        : state_(&state),
          window_(window),
          objectFromWindow_(libraries.objectFromWindow),
          allocateString_(libraries.allocateString) {}
    ~ClientAccessible() = default;
    ClientAccessible(const ClientAccessible&) = delete;
    ClientAccessible& operator=(const ClientAccessible&) = delete;

    bool connected() const { return state_ != nullptr; }
    bool HasFocus() const { return ::GetFocus() == window_; }
    bool Installing() const { return LoadWorkerRunning(*state_) != 0; }

    // The child a client named: CHILDID_SELF or one of the children.
    // A number of one child (its role, its state) as the variant out.
    HRESULT ChildNumber(const VARIANT& id, VARIANT* out,
                        std::int32_t (*numberOf)(const ClientAccessible&, std::int32_t)) const {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        if (FAILED(checked)) return checked;
        SetChild(out, numberOf(*this, which));
        return S_OK;
    }
    HRESULT Check(const VARIANT& id, std::int32_t* which) const {
        if (!connected()) return CO_E_OBJNOTCONNECTED;
        if (id.vt != VT_I4 || (id.lVal != CHILD_SELF && !IsChild(id.lVal))) return E_INVALIDARG;
        *which = static_cast<std::int32_t>(id.lVal);
        return S_OK;
    }
    HRESULT NoText(const VARIANT& id, BSTR* text) const {
        if (text == nullptr) return E_POINTER;
        *text = nullptr;
        std::int32_t which = 0;
        const HRESULT checked = Check(id, &which);
        return FAILED(checked) ? checked : S_FALSE;
    }

    // The text a reader hears for a child, as the window draws it (out: NAME_SIZE bytes).
    void NameOf(std::int32_t which, char* out) const {
        switch (which) {
            case CHILD_PANEL_LINE1:
                FormatPanelLine1(state_->installed, out, PANEL_TEXT_SIZE);
                return;
            case CHILD_PANEL_LINE2:
                FormatPanelLine2(state_->installed, out, PANEL_TEXT_SIZE);
                return;
            case CHILD_VERSION_LINE:
                (void)CopyText(out, NAME_SIZE, VersionLineText(state_->osClass));
                return;
            case CHILD_PICTURE_LINK:
                (void)FormatText(out, NAME_SIZE, PICTURE_LINK_NAME_FORMAT, PRODUCT_NAME);
                return;
            case CHILD_BUTTON: {
                char status[STATUS_DRAW_SIZE];
                CopyStatusText(*state_, status, sizeof status);
                (void)CopyText(out, NAME_SIZE, ButtonAccessibleName(state_->installed, Installing(), status));
                return;
            }
            default:
                ::GetWindowTextA(window_, out, static_cast<int>(NAME_SIZE));
                return;
        }
    }

    // The client area is a dialog box: lines of text and one default button.
    static std::int32_t RoleOf(std::int32_t which) {
        switch (which) {
            case CHILD_BUTTON:
                return ROLE_SYSTEM_PUSHBUTTON;
            case CHILD_PICTURE_LINK:
                return ROLE_SYSTEM_LINK;
            case CHILD_SELF:
                return ROLE_SYSTEM_DIALOG;
            default:
                return ROLE_SYSTEM_STATICTEXT;
        }
    }

    // Whether the button or the link acts now, as a click would (window.h).
    bool Available(std::int32_t which) const {
        return which == CHILD_BUTTON ? ButtonAvailable(*state_, window_) : LinkAvailable(*state_, window_);
    }
    std::int32_t StateOf(std::int32_t which) const {
        const std::int32_t unavailable = Available(which) ? 0 : STATE_SYSTEM_UNAVAILABLE;
        switch (which) {
            case CHILD_BUTTON:
                return STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_DEFAULT | (HasFocus() ? STATE_SYSTEM_FOCUSED : 0) |
                       unavailable;
            case CHILD_PICTURE_LINK:
                return STATE_SYSTEM_LINKED | unavailable;
            case CHILD_SELF:
                return STATE_SYSTEM_FOCUSABLE;
            default:
                return STATE_SYSTEM_READONLY;
        }
    }

    LayoutRect ClientBox() const {
        RECT client{};
        ::GetClientRect(window_, &client);
        return LayoutRect{client.left, client.top, client.right, client.bottom};
    }

    // Every child's box: the texts as far as their drawn characters reach.
    ChildBoxes Boxes() const {
        const WindowLayout layout = ComputeLayout(state_->bitmapWidth, state_->bitmapHeight);
        ChildBoxes boxes{};
        boxes[CHILD_BUTTON] = layout.button;
        boxes[CHILD_PICTURE_LINK] = layout.picture;
        WindowDc dc(window_);
        SelectGuard font(dc.get(), state_->textFont);
        const struct {
            std::int32_t child;
            const LayoutRect& line;
        } texts[] = {{CHILD_PANEL_LINE1, layout.panelLine1},
                     {CHILD_PANEL_LINE2, layout.panelLine2},
                     {CHILD_VERSION_LINE, layout.versionLine}};
        for (const auto& text : texts) {
            char name[NAME_SIZE];
            NameOf(text.child, name);
            boxes[static_cast<std::size_t>(text.child)] = MeasuredLine(dc.get(), name, text.line);
        }
        return boxes;
    }

    InstallerState* state_;
    HWND window_;
    ObjectFromWindowFn objectFromWindow_;
    AllocateStringFn allocateString_;
    LONG references_ = 1;  // the window's
};
#pragma GCC diagnostic pop

// The window's side, from the first request until the window is destroyed.
std::optional<AccessibilityLibraries> g_libraries;
ClientAccessible* g_object = nullptr;

bool IsClientRequest(LPARAM objectId) { return static_cast<DWORD>(objectId) == static_cast<DWORD>(OBJID_CLIENT); }

bool MakeObject(InstallerState& state, HWND window) {
    g_libraries.emplace();
    if (g_libraries->complete()) g_object = ClientAccessible::Create(state, window, *g_libraries);
    if (g_object == nullptr) g_libraries.reset();
    return g_object != nullptr;
}

}  // namespace

LRESULT AnswerAccessibleObject(InstallerState& state, HWND window, WPARAM flags, LPARAM objectId) {
    const bool answer =
        g_switches.hiddenSwitch == 0 && IsClientRequest(objectId) && (g_object != nullptr || MakeObject(state, window));
    if (!answer) return ::DefWindowProcA(window, WM_GETOBJECT, flags, objectId);
    return g_libraries->lresultFromObject(__uuidof(IAccessible), flags, g_object);
}

void ReleaseAccessibleObject() {
    if (g_object == nullptr) return;
    g_object->Disconnect();
    std::exchange(g_object, nullptr)->Release();
    g_libraries.reset();
}

void AnnounceButtonNameChange(HWND window) {
    if (window != nullptr && g_switches.hiddenSwitch == 0) {
        ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILD_BUTTON);
    }
}

void AnnounceButtonFocus(HWND window) {
    if (window != nullptr && g_switches.hiddenSwitch == 0) {
        ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILD_BUTTON);
    }
}

}  // namespace qs
