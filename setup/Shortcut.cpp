// Shortcut.cpp - shell link files through the shell's link object.
#include "Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "CopyEngine.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/PathText.h"

namespace {

bool ComFailed(HRESULT hr)
{
    ReportComError(hr, SetupText::kShortcutFailed);
    return false;
}

// Sets the properties that were given, in this order.
HRESULT SetProperties(IShellLinkA* link, const char* target, const char* arguments, const char* description,
                      const char* iconPath, int iconIndex)
{
    HRESULT hr = S_OK;
    if (target && SUCCEEDED(hr)) hr = link->SetPath(target);
    if (description && SUCCEEDED(hr)) hr = link->SetDescription(description);
    if (arguments && SUCCEEDED(hr)) hr = link->SetArguments(arguments);
    if (iconPath && SUCCEEDED(hr)) hr = link->SetIconLocation(iconPath, iconIndex);
    return hr;
}

}  // namespace

bool CreateShortcut(const char* target, const char* arguments, const char* description, const char* iconPath,
                    int iconIndex, const String& linkPath)
{
    ComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid());
    if (FAILED(hr)) return ComFailed(hr);
    hr = SetProperties(link.Get(), target, arguments, description, iconPath, iconIndex);
    if (FAILED(hr)) return ComFailed(hr);
    ComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(hr)) return ComFailed(hr);

    String folder = SplitPath(linkPath);
    if (!CreateFolderTree(folder)) {
        ReportError(ERR_WRITE, SetupText::kCannotCreateFolder, folder.CStr(), 0);
        return false;
    }
    wchar_t wide[MAX_PATH];
    SetLastError(0);
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath.CStr(), -1, wide, MAX_PATH)) {
        ReportSystemCode(ERR_SYSTEM, GetLastError(), SetupText::kConversionFailed, 0);
        return false;
    }
    hr = file->Save(wide, TRUE);
    if (FAILED(hr)) return ComFailed(hr);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, StripBackslash(folder).CStr(), nullptr);
    return true;
}
