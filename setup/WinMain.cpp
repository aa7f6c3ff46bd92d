// WinMain.cpp - the entry point of SETUP.EXE.
#include <windows.h>

#include "CommandLine.h"
#include "Entry.h"
#include "wcls/SystemDll.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();  // before anything can load a DLL
    // The runtime's own tail skips tabs too; read the switches from the
    // command line as the system passed it.
    return SetupMain(hinst, CommandTail(GetCommandLineA()));
}
