// FileListBox2.cpp - the list of a folder's entries.
#include "FileListBox2.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

#include "Dpi.h"
#include "SystemDll.h"

// Pixels at 96 DPI, scaled to the screen's.
static const int kIndent = 12;  // per depth level
static const int kGap = 4;

// The system's small image list, which the shell owns.
static HIMAGELIST SmallImages()
{
    static HIMAGELIST s_images;
    if (!s_images) {
        SHFILEINFOA info = {};
        s_images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
            "folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof(info),
            SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
    }
    return s_images;
}

// comctl32 is not always taken from the system folder: it is loaded from
// there at run time rather than imported.
static void DrawImage(HIMAGELIST images, int index, HDC hdc, int x, int y, UINT style)
{
    typedef BOOL(WINAPI * DrawFn)(HIMAGELIST, int, HDC, int, int, UINT);
    static DrawFn s_draw =
        reinterpret_cast<DrawFn>(reinterpret_cast<void*>(SystemDllProc("COMCTL32.DLL", "ImageList_Draw")));
    if (s_draw) s_draw(images, index, hdc, x, y, style);
}

FileListBox2::FileListBox2()
{
}

FileListBox2::~FileListBox2()
{
}

int FileListBox2::ItemCount() const
{
    return m_pList ? m_pList->Count() : 0;
}

bool FileListBox2::CanSelect(int index) const
{
    return m_pList && m_pList->At(index)->m_nKind != FDK_SEPARATOR;
}

FileData* FileListBox2::Selected() const
{
    int i = CurSel();
    return (m_pList && i >= 0 && i < m_pList->Count()) ? m_pList->At(i) : nullptr;
}

void FileListBox2::SetList(FileList* list)
{
    m_pList = list;
    ItemsChanged();
    if (list && list->CurrentIndex() >= 0) SetCurSel(list->CurrentIndex());
}

int FileListBox2::ItemWidth(HDC hdc, int index)
{
    FileData* d = m_pList->At(index);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(hdc, d->m_strName.CStr(), d->m_strName.Length(), &size);
    const int gap = ScaleToDpi(kGap);
    return gap + d->m_nDepth * ScaleToDpi(kIndent) + GetSystemMetrics(SM_CXSMICON) + gap + size.cx + gap;
}

void FileListBox2::DrawItem(HDC hdc, int index, const RECT& rc, bool selected)
{
    FileData* d = m_pList->At(index);
    if (d->m_nKind == FDK_SEPARATOR) return;
    const int gap = ScaleToDpi(kGap);
    int x = rc.left + gap + d->m_nDepth * ScaleToDpi(kIndent);
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    int icon = d->IconIndex();
    if (icon >= 0 && SmallImages())
        DrawImage(SmallImages(), icon, hdc, x, rc.top + (rc.bottom - rc.top - cy) / 2,
                  ILD_TRANSPARENT | (selected ? ILD_SELECTED : 0));
    x += cx + gap;
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    TextOutA(hdc, x, rc.top + (rc.bottom - rc.top - tm.tmHeight) / 2, d->m_strName.CStr(),
             d->m_strName.Length());
}
