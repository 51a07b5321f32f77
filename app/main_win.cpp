// Entry point of QuillstationSetup.exe.
#include <windows.h>

#include <cstring>
#include <optional>

#include "app/startup.h"
#include "app/switches.h"
#include "app/window.h"
#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/phases.h"
#include "platform/system_seam.h"
#include "setup/exit_codes.h"
#include "setup/state.h"

namespace qs {
namespace {

constexpr char INPUT_METHOD_MODULE[] = "IMM32";
constexpr char DISABLE_INPUT_METHOD[] = "ImmDisableIME";
constexpr DWORD ALL_THREADS_OF_PROCESS = static_cast<DWORD>(-1);

BOOL CALLBACK CloseProductWindow(HWND window, LPARAM title) {
    if (window == nullptr) return TRUE;
    char text[WINDOW_TEXT_SIZE] = {};
    ::GetWindowTextA(window, text, static_cast<int>(sizeof text));
    if (std::strcmp(text, reinterpret_cast<const char*>(title)) == 0) {
        ::PostMessageA(window, WM_DESTROY, 0, 0);
    }
    return TRUE;
}

// The installer takes no text input: without an input method its windows, and the hidden
// ones COM makes for each apartment, are created without an input context of their own.
// The input-method library is only used when the system has already mapped it.
void DisableInputMethod() {
    using ImmDisableImeFn = BOOL(WINAPI*)(DWORD);
    const auto disable = FindSystemFunction<ImmDisableImeFn>(INPUT_METHOD_MODULE, DISABLE_INPUT_METHOD);
    if (disable != nullptr) (void)disable(ALL_THREADS_OF_PROCESS);
}

// Asks every running copy of the product to end; does not wait for them.
void CloseProductWindows(const char* title) { ::EnumWindows(CloseProductWindow, reinterpret_cast<LPARAM>(title)); }

int RunInstaller(HINSTANCE instance, const char* commandLine) {
    MarkPhase("entry");
    (void)RestrictDllSearch();
    ScanSwitches(commandLine, g_switches);
    DisableInputMethod();

    UniqueKernelHandle mutex(::CreateMutexA(nullptr, TRUE, INSTANCE_MUTEX_NAME));
    if (!mutex) return EXIT_ALREADY_RUNNING;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::ReleaseMutex(mutex.get());
        return EXIT_ALREADY_RUNNING;
    }
    ::WaitForSingleObject(mutex.get(), INFINITE);

    MarkPhase("mutex");
    CloseProductWindows(PRODUCT_WINDOW_TITLE);
    FillKnownFolders();
    InitialiseState(g_state, instance);
    MarkPhase("folders");

    char title[WINDOW_TITLE_SIZE] = {};
    FormatWindowTitle(title, sizeof title);

    int exitCode = EXIT_NO_WINDOW;
    {
        // COM for the window thread serves the shell's "open" of the links and the
        // accessible object, both only in a shown window. A hidden run takes none: its
        // removal uses none, and its install worker and its update take their own.
        std::optional<ComApartment> com;
        if (g_switches.hiddenSwitch == 0) com.emplace();
        if (CreateInstallerWindow(instance, InstallerWindowProcedure, nullptr, title) != nullptr) {
            MarkPhase("window");
            exitCode = RunMessageLoop(::GetMessageA);
        }
        MarkPhase("loop end");
        ::ReleaseMutex(mutex.get());
        mutex.reset();  // closed before COM ends
    }
    MarkPhase("com end");
    WritePhaseMarks();
    return exitCode;
}

}  // namespace
}  // namespace qs

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return qs::RunInstaller(instance, commandLine);
}
