// SysErrText.cpp - system error texts: the rows fixed by the program, then the
// generated table; FormatSystemError and SystemErrorText.
#include "SysErrText.h"

#include <stdio.h>
#include <string.h>

#include "SysErrTable.h"
#include "wcls/Data.h"
#include "wcls/ErrorReport.h"

namespace {

// Rows whose texts the program fixes: the lz32 codes, 0, the Windows codes
// whose wording users and the documentation know, and the codes the
// platform has no Japanese text for.
const SysErrEntry kFixedRows[] = {
    {-1, "入力ハンドルが無効です。"},
    {-2, "出力ハンドルが無効です。"},
    {-3, "圧縮後のファイル形式が壊れています。"},
    {-4, "出力ファイル用のメモリ空間が足りません。"},
    {-5, "LZFile構造体用のメモリが足りません。"},
    {-6, "グローバル ハンドルが不正です。"},
    {-7, "許容範囲外のパラメータを入力しました。"},
    {-8, "圧縮アルゴリズムが認識されていません。"},
    {0, "不明なエラー(0)"},
    {2, "パスまたはファイルが見つかりません。"},
    {3, "パスまたはファイルを見つけることができません。"},
    {5, "アクセスは拒否されました。"},
    {21, "ドライブの準備ができていません。"},
    {32, "ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。"},
    {33, "ほかのプロセスがファイルの一部分をすでにロックしているため､ プロセスはそのファイルにアクセスできません。"},
    {39, "ディスクがいっぱいです。"},
    {112, "ディスク上に十分な容量がありません。"},
    {183, "すでに存在しているファイルまたはフォルダを作成しようとしました。"},
    {2202, "指定されたユーザー名は無効です。"},
    {2401, "このネットワーク接続には、開いているファイルか保留中の要求があります。"},
    {2404, "デバイスはアクティブなプロセスによって使用されているため、切断できません。"},
    {6118, "このワークグループのサーバーの一覧は現在利用できません。"},
};

}  // namespace

const char* LookupSystemErrorText(long code)
{
    for (const SysErrEntry& row : kFixedRows)
        if (row.code == code) return row.text;
    int lo = 0, hi = g_sysErrTableCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (g_sysErrTable[mid].code == code) return g_sysErrTable[mid].text;
        if (g_sysErrTable[mid].code < code)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return nullptr;
}

int FormatSystemError(long code, char* buf, int size, bool withNumber)
{
    char text[1024];
    const char* found = LookupSystemErrorText(code);
    if (!found)
        snprintf(text, sizeof(text), "不明なエラー(番号：%ld)", code);
    else if (withNumber)
        snprintf(text, sizeof(text), "%s(番号：%ld)", found, code);
    else
        snprintf(text, sizeof(text), "%s", found);
    if (buf && size > 0) CopyCut(buf, text, (size_t)size);
    return (int)strlen(text) + 1;
}

String SystemErrorText(long code)
{
    char text[1024];
    FormatSystemError(code, text, sizeof(text), false);
    return String(text);
}
