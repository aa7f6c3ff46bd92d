// StartupTable.cpp - the library start-up steps of the setup program.
#include "StartupTable.h"

#include "SetupTexts.h"
#include "wcls/ColorObj.h"
#include "wcls/Font.h"
#include "wcls/LibStartup.h"
#include "wcls/OpenAccess.h"
#include "wcls/ServiceWnd.h"
#include "wcls/Shutdown.h"

static bool StartLibraryCore(HINSTANCE hinst)
{
    return LibraryStartup(hinst, SetupText::kAppTitle);
}

static bool StartSecurity(HINSTANCE)
{
    return BuildOpenAccessSecurity();
}

const StartupStep g_startupSteps[] = {
    {StartLibraryCore, LibraryShutdown},         // library core and error thread
    {StartSecurity, ReleaseOpenAccessSecurity},  // open-access security
    {LibraryOptionsStartup, nullptr},            // keyboard probe, option bits
    {ColorObjStartup, ColorObjShutdown},         // service window, colour object
    {StockFontsStartup, StockFontsShutdown},     // g_fstock
    {ImeFlagStartup, nullptr},                   // IME-control flag
    {ReportHooksStartup, ReportHooksShutdown},   // reports queued on the service window
};
const int g_startupStepCount = sizeof(g_startupSteps) / sizeof(g_startupSteps[0]);

bool RunStartupSteps(HINSTANCE hinst)
{
    for (int i = 0; i < g_startupStepCount; ++i) {
        if (!g_startupSteps[i].start(hinst)) return false;
        if (g_startupSteps[i].shutdown) AddShutdown(g_startupSteps[i].shutdown);
    }
    return true;
}
