// ColorObj.h - the shared colour object: brushes and pens of the system
// colours, refreshed when the system colours change.
#pragma once

#include <windows.h>

#include "Event2.h"

class FColorObj : public Event2 {
public:
    FColorObj();  // also a user of the service window
    ~FColorObj() override;
    // Drops the cached brushes and pens and marks the object changed, so
    // Commit tells the observers.
    int Validate() override;

    // A brush or pen of system colour index 0 to 24 (null for other
    // indexes), made on first use and kept until the colours change.
    HBRUSH Brush(int index);
    HPEN Pen(int index);

private:
    static int OnSysColorChange(void* context, void* source, LPARAM arg);
    void FreeCache();

    enum { kColors = 25 };
    HBRUSH m_brushes[kColors];
    HPEN m_pens[kColors];
    EventConnection m_sysColor;
};

// Held by the start-up step from start-up to process exit.
extern FColorObj* g_pColorObj;

bool ColorObjStartup(HINSTANCE hinst);
void ColorObjShutdown();
