// copybench.cpp - times the copy engine on a payload: the "Files" section of
// SOURCE\SETUP.LST copied (and expanded) into DEST. Run by scripts/bench.sh,
// which measures the native floor beside it.
#include <windows.h>

#include <stdio.h>

#include "setup/CopyEngine.h"
#include "wcls/DoingWnd.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/LibStartup.h"

// No one answers boxes here: a report ends the run with its text.
static void PrintReport(int, const char* first, const char* second)
{
    fprintf(stderr, "copybench: %s %s\n", first, second);
    ExitProcess(1);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: copybench SOURCE DEST\n");
        return 2;
    }
    if (!LibraryStartup(GetModuleHandleA(nullptr), "copybench")) return 1;
    SetReportHooks(PrintReport, nullptr);
    String source(argv[1]), dest(argv[2]);
    SafePtr<FEnv2> list(new FEnv2(source + String("\\SETUP.LST"), 0));
    if (!list->IsLoaded()) return 1;
    // Shown, as the installer shows it: each file repaints its name.
    DoingWnd* progress = new DoingWnd("copybench", -1, -1, 40 * g_cxChar, g_cyChar, nullptr, DW_NOBAR | DW_SHOW);

    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    int done = CopySection(list.Get(), progress, String("Files"), source, dest);
    QueryPerformanceCounter(&end);
    progress->Close();
    printf("%.3f\n", (double)(end.QuadPart - start.QuadPart) / (double)freq.QuadPart);
    LibraryShutdown();
    return done ? 0 : 1;
}
