// The installer window's accessible object (MSAA IAccessible), through which screen
// readers and other assistive technology read and use the custom-painted window. Its
// children are listed in app/accessible_tree.h. All of it runs on the window thread,
// except the announcements, which any thread may make.
#pragma once

#include <windows.h>

#include "setup/state.h"

namespace qs {

// The answer to WM_GETOBJECT. For the client area (OBJID_CLIENT) of a shown window: the
// window's one accessible object, made on the first request, with OLEACC and OLEAUT32
// loaded from the system folder at that time. For any other object, in a hidden run, or
// when a library or the object cannot be had: the default procedure's answer.
LRESULT AnswerAccessibleObject(InstallerState& state, HWND window, WPARAM flags, LPARAM objectId);

// For the window's destruction: cuts the object off the window and the state, so that
// every later call of a client that kept it fails with CO_E_OBJNOTCONNECTED (clients in
// other processes are disconnected), drops the window's reference and releases the
// libraries. Does nothing when no object was made.
void ReleaseAccessibleObject();

// Tells accessibility clients that the button's name changed (a new status line) or that
// the button has the keyboard focus. Nothing in a hidden run or without a window.
void AnnounceButtonNameChange(HWND window);
void AnnounceButtonFocus(HWND window);

}  // namespace qs
