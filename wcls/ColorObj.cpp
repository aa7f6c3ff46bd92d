// ColorObj.cpp - the shared colour object.
#include "ColorObj.h"

#include "SafeCreate.h"
#include "ServiceWnd.h"

FColorObj* g_pColorObj;

FColorObj::FColorObj() : m_brushes(), m_pens(), m_sysColor(OnSysColorChange, this)
{
    StartService();
    if (g_pServiceWnd) m_sysColor.SetSource(&g_pServiceWnd->m_evSysColor);
}

FColorObj::~FColorObj()
{
    m_sysColor.SetSource(nullptr);
    FreeCache();
    StopService();
}

int FColorObj::OnSysColorChange(void* context, void*, LPARAM)
{
    static_cast<FColorObj*>(context)->Commit();
    return 1;
}

void FColorObj::FreeCache()
{
    for (int i = 0; i < kColors; ++i) {
        LibDeleteObject(m_brushes[i]);
        LibDeleteObject(m_pens[i]);
        m_brushes[i] = nullptr;
        m_pens[i] = nullptr;
    }
}

int FColorObj::Validate()
{
    FreeCache();
    SetChanged();
    return 1;
}

HBRUSH FColorObj::Brush(int index)
{
    if (index < 0 || index >= kColors) return nullptr;
    if (!m_brushes[index]) m_brushes[index] = SafeCreateSolidBrush(GetSysColor(index));
    return m_brushes[index];
}

HPEN FColorObj::Pen(int index)
{
    if (index < 0 || index >= kColors) return nullptr;
    if (!m_pens[index]) m_pens[index] = SafeCreatePen(PS_SOLID, 1, GetSysColor(index));
    return m_pens[index];
}

bool ColorObjStartup(HINSTANCE)
{
    g_pColorObj = new FColorObj;
    g_pColorObj->AddRef();
    return true;
}

void ColorObjShutdown()
{
    FColorObj* p = g_pColorObj;
    g_pColorObj = nullptr;
    if (p) p->Release();
}
