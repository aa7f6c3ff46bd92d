// StandIn.cpp - start-up, main window and message loop of a sample program.
#include "StandIn.h"

#include "RunningMarks.h"
#include "SettingsReport.h"
#include "StandInTexts.h"
#include "StandInWnd.h"
#include "wcls/LibStartup.h"
#include "wcls/OpenAccess.h"
#include "wcls/ShellFolder.h"
#include "wcls/Shutdown.h"
#include "wcls/SysFolders.h"

namespace {

const int kCsidlCommonAppData = 0x23;

bool StartLibrary(HINSTANCE hinst, const char* title)
{
    if (!LibraryStartup(hinst, title)) return false;
    AddShutdown(LibraryShutdown);
    // The lock file is open to every user, as the setup program makes it.
    if (!BuildOpenAccessSecurity()) return false;
    AddShutdown(ReleaseOpenAccessSecurity);
    return true;
}

// The all-users data folder in folder form, where the setup program looks
// for the lock files: the drive root of Windows on a system without file
// security.
bool CommonAppData(String* folder)
{
    if (!g_useFileSecurity) {
        *folder = String(WindowsFolder().CStr(), 3);
        return true;
    }
    return SpecialFolder(folder, nullptr, kCsidlCommonAppData, true) != 0;
}

String ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return String(path);
}

}  // namespace

int RunStandIn(HINSTANCE hinst, const char* title, const char* document)
{
    if (!StartLibrary(hinst, title)) return 1;
    String commonAppData;
    if (!CommonAppData(&commonAppData)) return 1;

    RunningMarks marks;
    if (!TakeRunningMarks(commonAppData, &marks)) return 1;

    const bool opensDocument = document != nullptr;
    String doc;
    if (opensDocument) doc = NextToken(&document, ' ');  // a quoted path loses its quotes
    String text = SettingsReport(ProgramPath(), commonAppData + String(StandInText::kProductDataFolder),
                                 ProgramFolder(), opensDocument ? doc.CStr() : nullptr);
    StandInWnd* wnd = new StandInWnd(title, text);
    ShowWindow(wnd->HWnd(), SW_SHOWNORMAL);
    UpdateWindow(wnd->HWnd());

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The marks go here, before the library's shutdown at process exit.
    return 0;
}
