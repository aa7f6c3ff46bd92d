// SetupDriver.cpp - runs one flow of the setup for the mode of the command line.
#include "SetupDriver.h"

#include "Flows.h"

void SetupDriver(bool update, bool uninstall, String source)
{
    if (uninstall && !update)
        UninstallFlow();
    else
        InstallFlow(update, source);
}
