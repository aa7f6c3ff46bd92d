// LibTexts.h - the library's message texts. Texts that frame a name are
// given as the parts before and after it.
#pragma once

#include "Data.h"

namespace LibText {

// Error thread, fatal ends, assertions.
constexpr char kPostFailed[] = "ポストメッセージに失敗しました";
constexpr char kNoMessageBox[] = "メモリが足りません.メッセージボックスのエラーです.";
constexpr char kAssertLoop[] = "内部エラー Assert ループエラー";
constexpr char kInternalError[] = "内部エラーが発生しました。ソフトウェアの製造元にお問い合わせになってください。\r\n";
constexpr char kNoProgramPath[] = "致命的なエラー！プログラムパス名を取得できません";
constexpr char kNoWindowsFolder[] = "致命的なエラー：Windows ディレクトリを取得できません";
constexpr char kNoSystemFolder[] = "致命的なエラー：Windows システムディレクトリを取得できません";
constexpr char kThreadFailed[] = "エラー処理スレッドの作成に失敗";

// Reports.
constexpr char kFileOrFolderMissing[] = "ファイルまたはディレクトリが見つかりません";
constexpr char kDriveNotReadyHead[] = "ドライブ ";
constexpr char kDriveNotReadyTail[] = " の準備ができていません.";
constexpr char kResourceFailureHead[] = "重大なエラー：";
constexpr char kResourceFailureHint[] =
    "他のアプリケーションを終了して「再試行」を選択することで問題を回避できる場合があります。\n"
    "なるべくそうすることをお勧めします。\n"
    "「中止」を選択するとアプリケーションは終了します。保存されていないデータは失われます。\n"
    "「無視」は選択できません。\n";

// Files and folders.
constexpr char kBadNameChars[] = "ファイル名に <>/ の記号は使用できません";
constexpr char kWildcards[] = "ファイル名に*や?の文字は使用できません";
constexpr char kCannotDelete[] = "削除できません";
constexpr char kReadOnly[] = "ファイルは読み取り専用です。";
constexpr char kListFolderHead[] = "フォルダ ";
constexpr char kListFolderTail[] = " の読み取りが行えません";
constexpr char kReadFolderHead[] = "フォルダ[";
constexpr char kReadFolderTail[] = "]の読み取りが行えません.";
constexpr char kCreateFolderHead[] = "フォルダ ";
constexpr char kCreateFolderTail[] = " を作成できません.";
constexpr char kOpenFileHead[] = "ファイル ";
constexpr char kOpenFileTail[] = " をオープンできません.";
constexpr char kDeleteFileHead[] = "ファイル ";
constexpr char kDeleteFileTail[] = "を削除できません";
constexpr char kRenameHead[] = "[";
constexpr char kRenameMiddle[] = "]から[";
constexpr char kRenameTail[] = "]へファイル名を変更できません";

// Access rights.
constexpr char kSecureFolderHead[] = "フォルダ[";
constexpr char kSecureFileHead[] = "ファイル[";
constexpr char kSecureTail[] = "]に対するセキュリティー設定に失敗しました.";

// Log.
constexpr char kLogStart[] = "ログ開始 lf_init";
constexpr char kLogEnd[] = "ログ終了 lf_fin";
// Lines of the steps: a message box with its answer, a file or folder removed.
constexpr char kLogBox[] = "BOX ";
constexpr char kLogRemove[] = "REMOVE";

// Folder selection dialog.
constexpr char kSelectFolderTemplate[] = "SelectFolderDlg";
constexpr char kListBoxTitle[] = "ListBox";
constexpr char kUnreadableFolderHead[] = "フォルダ ";
constexpr char kUnreadableFolderTail[] = "を読み取りできません";
constexpr char kPathNotFound[] = "パスが見つかりません";
constexpr char kFolderNotFound[] = "フォルダが見つかりません";
constexpr char kNoShellAllocator[] = "シェルヒープインターフェースを取得できません";
constexpr char kDesktop[] = "デスクトップ";
constexpr char kCommonDesktop[] = "デスクトップ(共用)";
constexpr char kMyDocuments[] = "マイドキュメント";

// Progress window: the status line under the bar.
constexpr char kSecondsLeft[] = "%d%%　残り約 %d 秒";
constexpr char kMinutesLeft[] = "%d%%　残り約 %d 分";
constexpr char kPercentOnly[] = "%d%%";

}  // namespace LibText

// head + middle + tail as one String.
inline String Framed(const char* head, const char* middle, const char* tail)
{
    String s;
    s.Append(head).Append(middle).Append(tail);
    return s;
}
