// SetupDriver.cpp - runs one flow of the setup for the mode of the command line.
#include "SetupDriver.h"

#include "Flows.h"

String g_commonAppDataDir;
String g_productDataDir;

void SetupDriver(bool update, bool uninstall, String source)
{
    if (uninstall && !update)
        UninstallFlow();
    else
        InstallFlow(update, source);
}
