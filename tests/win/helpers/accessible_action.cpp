// Test helper: uses the installer window as a screen reader does, through its accessible
// object.
//   accessible_action.exe button|link         asks for the child's default action
//   accessible_action.exe state button|link   asks whether the child is available
// Works on the first installer window's object. Exit code 0 when the object took the call
// (or the child is available), 1 when there is no installer window, 2 on a usage error,
// 3 when the object could not be had or refused the call, 5 when the child reports itself
// unavailable.
#include <windows.h>
#include <oleacc.h>

#include "app/accessible_tree.h"
#include "app/window.h"
#include "platform/owners.h"
#include "tests/win/helpers/helper_args.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    auto args = qs::test::CommandArguments();
    const bool askState = args.size() > 2 && args[1] == "state";
    if (askState) args.erase(args.begin() + 1);
    if (args.size() < 2 || (args[1] != "button" && args[1] != "link")) return 2;
    HWND window = FindWindowA(qs::WINDOW_CLASS_NAME, nullptr);
    if (window == nullptr) return 1;
    qs::ComApartment com;
    qs::ComPtr<IAccessible> object;
    if (AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), object.put_void()) != S_OK) return 3;
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = args[1] == "button" ? qs::CHILD_BUTTON : qs::CHILD_PICTURE_LINK;
    if (!askState) return object->accDoDefaultAction(child) == S_OK ? 0 : 3;
    VARIANT state;
    if (object->get_accState(child, &state) != S_OK || state.vt != VT_I4) return 3;
    return (state.lVal & STATE_SYSTEM_UNAVAILABLE) != 0 ? 5 : 0;
}
