// StandInTexts.h - names and texts of the sample programs ZUNTO8.EXE and
// ZUNTOSHL.EXE, which stand in for the application on the sample media.
#pragma once

namespace StandInText {

// Shared with the setup program: the main window's class, the marks of a
// running application and the data folder.
constexpr char kMainWndClass[] = "TARVO_ZUNTO4_MainWnd";
constexpr char kMutexSerialize[] = "Tarvo Zunto5 ShareMem Mutex 500";
constexpr char kMutexAppRunning[] = "Tarvo Zunto5 Running Mutex";
constexpr char kMutexSetupRunning[] = "Tarvo Zunto5 ShareMem SetupMutex";
constexpr char kLockFile[] = "TarvoNomiraZunto8CommonRunning.LCK";
constexpr char kProductDataFolder[] = "TarvoNomiraZunto8CommonAppData\\";

constexpr char kProgramTitle[] = "Zuntoria Ver.８";
constexpr char kShellTitle[] = "Zuntoria Ver.８ シェル";

// Start-up refusals.
constexpr char kMutexFailed[] = "ミューテックスを作成できません";
constexpr char kSetupRunning[] = "セットアップが実行中です。終了してからもう一度起動してください";
constexpr char kLockedByOther[] = "Zuntoria８またはセットアップが実行中です";

// The settings shown in the window.
constexpr char kHeading[] = "見本のプログラムです（インストールの確認用）";
constexpr char kProgramLabel[] = "プログラム: ";
constexpr char kDocumentLabel[] = "文書: ";
constexpr char kNoDocument[] = "（指定なし）";
constexpr char kFileMissing[] = "  （ファイルがありません）";
constexpr char kFileUnreadable[] = "  （読み込めません）";
constexpr char kNoEntries[] = "  （項目なし）";

}  // namespace StandInText
