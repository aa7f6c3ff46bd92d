// SetupOptions.h - the choices of one installation run, shared by the
// install flow, the setup dialog and the install worker.
#pragma once

#include <stdint.h>

#include "wcls/Data.h"

struct SetupOptions {
    String folder;            // program folder; in folder form once confirmed
    int32_t updateExisting = 0;  // 1: an installed copy is updated in place
    int32_t repair = 0;          // 1: the installed copy is mended from the media
    int32_t checkSources = 0;    // 1: every source must be as the media's SETUP.SUM says
    int32_t desktopIcon = 1;     // 1: put a shortcut on the desktop
    String startMenuFolder;   // all-users programs folder, else the user's; folder form
    String desktopFolder;     // all-users desktop, else the user's; may be empty
};
