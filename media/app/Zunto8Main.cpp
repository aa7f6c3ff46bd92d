// Zunto8Main.cpp - ZUNTO8.EXE of the sample media, the application's main
// program.
#include <windows.h>

#include "StandIn.h"
#include "StandInTexts.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR, int)
{
    return RunStandIn(hinst, StandInText::kProgramTitle, nullptr);
}
