// ShellFolder.cpp - the shell's special folders.
#include "ShellFolder.h"

#include <shlobj.h>

#include "ErrorReport.h"
#include "Handles.h"
#include "PathText.h"

static const char kLocationFailed[] = "スペシャル-フォルダ名の取得に失敗しました";
static const char kNoFolderName[] = "フォルダ名を取得できません";

int SpecialFolder(String* out, HWND owner, int csidl, bool report)
{
    if (out) *out = String();
    ComPtr<IMalloc> malloc;
    HRESULT hr = SHGetMalloc(malloc.Put());
    if (FAILED(hr)) {
        if (report) ReportComError(hr, kLocationFailed);
        return 0;
    }
    LPITEMIDLIST items = nullptr;
    hr = SHGetSpecialFolderLocation(owner, csidl, &items);
    if (FAILED(hr) || !items) {
        if (report) ReportComError(FAILED(hr) ? hr : E_FAIL, kLocationFailed);
        return 0;
    }
    char path[MAX_PATH] = "";
    BOOL ok = SHGetPathFromIDListA(items, path);
    malloc->Free(items);
    if (!ok) {
        if (report) ReportKind(ERR_SYSTEM, kNoFolderName);
        return 0;
    }
    if (out) *out = FolderForm(String(path));
    return 1;
}
