// UninstallFlow.cpp - the uninstall flow.
#include "Flows.h"

void UninstallFlow()
{
}
