// ZuntoShlMain.cpp - ZUNTOSHL.EXE of the sample media, the application's
// shell program, which the shortcuts start and documents open with.
#include <windows.h>

#include "StandIn.h"
#include "StandInTexts.h"

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR cmd, int)
{
    return RunStandIn(hinst, StandInText::kShellTitle, cmd);
}
