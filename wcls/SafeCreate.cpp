// SafeCreate.cpp - retrying creation of window-system resources.
#include "SafeCreate.h"

#include "ErrorReport.h"

namespace {

GdiCounts s_gdi;

// Clears the last error, calls, and on failure shows the retry-or-abort box
// and calls again.
template <class Call>
auto Retrying(const char* text, Call call) -> decltype(call())
{
    for (;;) {
        SetLastError(0);
        auto result = call();
        if (result) return result;
        ResourceFailureBox(GetLastError(), text);
    }
}

template <class Call>
auto RetryingGdi(const char* text, Call call) -> decltype(call())
{
    auto result = Retrying(text, call);
    ++s_gdi.created;
    return result;
}

const char kRegion[] = "リージョンを作成できません";
const char kBitmap[] = "ビットマップを作成できません";
const char kBrush[] = "ブラシを作成できません";
const char kFont[] = "フォントを作成できません";
const char kClass[] = "ウィンドウクラスを登録できません";
const char kDialog[] = "ダイアログボックスを作成できません";

}  // namespace

GdiCounts GetGdiCounts() { return s_gdi; }

BOOL LibDeleteObject(HGDIOBJ obj)
{
    if (!obj) return FALSE;
    ++s_gdi.deleted;
    return DeleteObject(obj);
}

HRGN SafeCreateRectRgnIndirect(const RECT* rect)
{
    return RetryingGdi(kRegion, [&] { return CreateRectRgnIndirect(rect); });
}

int SafeCombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode)
{
    return Retrying("リージョンを合成できません", [&] { return CombineRgn(dst, src1, src2, mode); });
}

HBITMAP SafeCreateBitmap(int cx, int cy, UINT planes, UINT bitCount, const void* bits)
{
    return RetryingGdi(kBitmap, [&] { return CreateBitmap(cx, cy, planes, bitCount, bits); });
}

HBRUSH SafeCreateSolidBrush(COLORREF color)
{
    return RetryingGdi(kBrush, [&] { return CreateSolidBrush(color); });
}

HPEN SafeCreatePen(int style, int width, COLORREF color)
{
    return RetryingGdi("ペンを作成できません", [&] { return CreatePen(style, width, color); });
}

HDC SafeCreateDCA(const char* driver, const char* device, const DEVMODEA* mode)
{
    return Retrying("デバイスコンテキストを作成できません",
                    [&] { return CreateDCA(driver, device, nullptr, mode); });
}

HDC SafeCreateICA(const char* driver, const char* device, const DEVMODEA* mode)
{
    return Retrying("インフォメーションコンテキストを作成できません",
                    [&] { return CreateICA(driver, device, nullptr, mode); });
}

HDC SafeCreateCompatibleDC(HDC hdc)
{
    return Retrying("互換性のあるデバイスコンテキストを作成できません",
                    [&] { return CreateCompatibleDC(hdc); });
}

HBITMAP SafeCreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    return RetryingGdi("互換性のあるビットマップを作成できません",
                       [&] { return CreateCompatibleBitmap(hdc, cx, cy); });
}

HDC SafeGetDC(HWND hwnd)
{
    return Retrying("デバイスコンテキストを取得できません", [&] { return GetDC(hwnd); });
}

HDC SafeBeginPaint(HWND hwnd, PAINTSTRUCT* ps)
{
    return Retrying("ペイント準備処理に失敗しました", [&] { return BeginPaint(hwnd, ps); });
}

HFONT SafeCreateFontA(int height, int width, int escapement, int orientation, int weight,
                      DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                      DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                      DWORD pitchAndFamily, const char* face)
{
    return RetryingGdi(kFont, [&] {
        return CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                           charSet, outPrecision, clipPrecision, quality, pitchAndFamily, face);
    });
}

HFONT SafeCreateFontIndirectA(const LOGFONTA* font)
{
    return RetryingGdi(kFont, [&] { return CreateFontIndirectA(font); });
}

ATOM SafeRegisterClassA(const WNDCLASSA* wc)
{
    return Retrying(kClass, [&] { return RegisterClassA(wc); });
}

ATOM SafeRegisterClassExA(const WNDCLASSEXA* wc)
{
    return Retrying(kClass, [&] { return RegisterClassExA(wc); });
}

HWND SafeCreateDialogParamA(HINSTANCE hinst, const char* templ, HWND owner, DLGPROC proc, LPARAM param)
{
    return Retrying(kDialog, [&] { return CreateDialogParamA(hinst, templ, owner, proc, param); });
}

HWND SafeCreateDialogIndirectParamA(HINSTANCE hinst, const DLGTEMPLATE* templ, HWND owner,
                                    DLGPROC proc, LPARAM param)
{
    return Retrying(kDialog, [&] { return CreateDialogIndirectParamA(hinst, templ, owner, proc, param); });
}

HWND SafeCreateWindowExA(DWORD exStyle, const char* cls, const char* title, DWORD style, int x, int y,
                         int cx, int cy, HWND parent, HMENU menu, HINSTANCE hinst, void* param)
{
    return Retrying("ウィンドウを作成できません", [&] {
        return CreateWindowExA(exStyle, cls, title, style, x, y, cx, cy, parent, menu, hinst, param);
    });
}

HBRUSH SafeCreateHatchBrush(int hatch, COLORREF color)
{
    return RetryingGdi("ハッチブラシを作成できません", [&] { return CreateHatchBrush(hatch, color); });
}

HBRUSH SafeCreatePatternBrush(HBITMAP bitmap)
{
    return RetryingGdi("パターンブラシを作成できません", [&] { return CreatePatternBrush(bitmap); });
}

UINT_PTR SafeSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return Retrying("タイマーを作成できません", [&] { return SetTimer(hwnd, id, elapse, proc); });
}

HBITMAP SafeLoadBitmapA(HINSTANCE hinst, const char* name)
{
    return RetryingGdi("ビットマップリソースをロードできません", [&] { return LoadBitmapA(hinst, name); });
}

HICON SafeLoadIconA(HINSTANCE hinst, const char* name)
{
    return Retrying("アイコンソースをロードできません", [&] { return LoadIconA(hinst, name); });
}

HACCEL SafeLoadAcceleratorsA(HINSTANCE hinst, const char* name)
{
    return Retrying("アクセラレータリソースをロードできません",
                    [&] { return LoadAcceleratorsA(hinst, name); });
}

UINT SafeRegisterWindowMessageA(const char* name)
{
    return Retrying("文字列メッセージの登録ができません", [&] { return RegisterWindowMessageA(name); });
}

HMENU SafeLoadMenuA(HINSTANCE hinst, const char* name)
{
    return Retrying("メニューリソースを読み込むことができません", [&] { return LoadMenuA(hinst, name); });
}

ATOM SafeGlobalAddAtomA(const char* name)
{
    return Retrying("文字列アトムの登録ができません", [&] { return GlobalAddAtomA(name); });
}
