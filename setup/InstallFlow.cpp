// InstallFlow.cpp - the install flow (with the update when asked).
#include "Flows.h"

void InstallFlow(bool update, const String& source)
{
    (void)update;
    (void)source;
}
