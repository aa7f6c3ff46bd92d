// WndMessages.h - the library's private window messages and the two
// registered ones.
#pragma once

#include <windows.h>

enum : UINT {
    WM_LIB_DEFERREDBOX = 0x433,   // lParam: DeferredBox*; shown when the mouse is free
    WM_LIB_DEFERREDBOX2 = 0x434,  // the same
    WM_LIB_TOANCESTOR = 0x464,    // passed up to the nearest ancestor with an object
    WM_LIB_SETCURSOR = 0x475,     // wParam: the cursor to set
    WM_LIB_ENDLOOP = 0x478,       // ends the running modal loop with wParam
    WM_LIB_POSTCREATE = 0x47C,    // late initialisation after the creator returned
    WM_LIB_CALL = 0x47D,          // service window: wParam(lParam) is called
};

// Registered before the program's entry code runs.
extern const UINT g_msgWheelRoll;  // "MSWHEEL_ROLLMSG"
extern const UINT g_msgGetWndPtr;  // "TARVO_GETWNDPTR": answers the object's address

// The record of a deferred message box. The poster keeps it alive until
// the box has been shown.
struct DeferredBox {
    const char* text;
    const char* title;
    UINT style;
};
