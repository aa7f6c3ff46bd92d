// copybench.cpp - times the copy engine on a payload: the "Files" section of
// SOURCE\SETUP.LST copied (and expanded) into DEST. Run by scripts/bench.sh,
// which measures the native floor beside it.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "setup/CopyEngine.h"
#include "setup/UndoJournal.h"
#include "wcls/DoingWnd.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/LibStartup.h"
#include "wcls/PathText.h"

// No one answers boxes here: a report ends the run with its text.
static void PrintReport(int, const char* first, const char* second)
{
    fprintf(stderr, "copybench: %s %s\n", first, second);
    ExitProcess(1);
}

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return (double)(to.QuadPart - from.QuadPart) / (double)freq.QuadPart;
}

// One copy of the section; with `undo`, inside a journal of the run, as the
// installer keeps it (plan, journal, copies set aside, cleanup at the end).
double TimedCopy(FEnv2* list, const String& source, const String& dest, bool undo)
{
    DoingWnd* progress = new DoingWnd("copybench", -1, -1, 40 * g_cxChar, g_cyChar, nullptr, DW_NOBAR | DW_SHOW);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (undo) {
        UndoPlanReset();
        UndoPlanFolder(dest);
        PlanSection(list, String("Files"), dest, source);
        if (!UndoBegin()) ExitProcess(1);
    }
    int done = CopySection(list, progress, String("Files"), source, dest) && FlushCopies();
    if (undo) UndoCommit();
    QueryPerformanceCounter(&end);
    progress->Close();
    if (!done) ExitProcess(1);
    return Seconds(start, end);
}

// Empties a folder for the next fresh round (the bench folder is reached
// through a link, which the library's deletion refuses to walk).
void Empty(const String& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + String("\\*")).CStr(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        String path = folder + String("\\") + String(fd.cFileName);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (fd.cFileName[0] == '.') continue;
            Empty(path);
            RemoveDirectoryA(path.CStr());
        } else {
            DeleteFileA(path.CStr());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

double Median(double* v, int n)
{
    std::sort(v, v + n);
    return v[n / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: copybench SOURCE DEST [ROUNDS]\n");
        return 2;
    }
    if (!LibraryStartup(GetModuleHandleA(nullptr), "copybench")) return 1;
    SetReportHooks(PrintReport, nullptr);
    String source(argv[1]), dest(argv[2]);
    SafePtr<FEnv2> list(new FEnv2(source + String("\\SETUP.LST"), 0));
    if (!list->IsLoaded()) return 1;
    // Shown, as the installer shows it: each file repaints its name.
    printf("%.3f\n", TimedCopy(list.Get(), source, dest, false));
    // With ROUNDS: the cost of the undo journal, into an empty folder and
    // over the copy already there, in alternating rounds.
    const int kMaxRounds = 15;
    int rounds = argc == 4 ? atoi(argv[3]) : 0;
    if (rounds > kMaxRounds) rounds = kMaxRounds;
    double times[4][kMaxRounds];
    for (int r = 0; r < rounds; ++r) {
        for (int kind = 0; kind < 4; ++kind) {
            bool fresh = kind < 2, undo = kind % 2 == 1;
            if (fresh) Empty(StripBackslash(dest));
            times[kind][r] = TimedCopy(list.Get(), source, dest, undo);
        }
    }
    if (rounds > 0) {
        double m[4];
        for (int kind = 0; kind < 4; ++kind) m[kind] = Median(times[kind], rounds);
        printf("fresh %.3f s, with undo %.3f s (%+.1f %%); over a copy %.3f s, with undo %.3f s (%+.1f %%)\n", m[0], m[1],
               100.0 * (m[1] / m[0] - 1), m[2], m[3], 100.0 * (m[3] / m[2] - 1));
    }
    LibraryShutdown();
    return 0;
}
