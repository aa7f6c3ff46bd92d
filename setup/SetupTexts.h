// SetupTexts.h - names and message texts of the setup program.
#pragma once

namespace SetupText {

// The title of every setup box without one of its own.
constexpr char kAppTitle[] = "Zuntoria Ver.８ セットアップ";

// Start-up.
constexpr char kAppMainWndClass[] = "TARVO_ZUNTO4_MainWnd";
constexpr char kAppRunning[] = "Zuntoriaを終了してもう一度実行してください";
constexpr char kAppRunningTitle[] = "Zuntoriaのセットアップ";
constexpr char kComInitFailed[] = "COMライブラリ初期化エラー";
constexpr char kComInitFailedTitle[] = "エラー！";
constexpr char kNeedsWindowsXP[] = "Windows XP 以降で実行してください";

// Start-up guards: named mutexes and lock files shared with the application.
constexpr char kMutexSerialize[] = "Tarvo Zunto5 ShareMem Mutex 500";
constexpr char kMutexAppRunning[] = "Tarvo Zunto5 Running Mutex";
constexpr char kMutexSetupRunning[] = "Tarvo Zunto5 ShareMem SetupMutex";
constexpr char kLockFile6[] = "TarvoNomiraZunto6CommonRunning.LCK";
constexpr char kLockFile7[] = "TarvoNomiraZunto7CommonRunning.LCK";
constexpr char kLockFile8[] = "TarvoNomiraZunto8CommonRunning.LCK";
constexpr char kProductDataFolder[] = "TarvoNomiraZunto8CommonAppData";
constexpr char kMutexFailed[] = "ミューテックスを作成できません";
constexpr char kSetupAlreadyRunning[] = "ズント帳セットアップがすでに起動中です";
constexpr char kAppRunningPrompt[] =
    "ズント帳が起動中はセットアップを行えません.\n\nズント帳のウィンドウをすべて閉じて OK を押してください";
constexpr char kLockedByVersion6[] = "Zuntoria６またはセットアップが実行中です";
constexpr char kLockedByVersion7[] = "Zuntoria７またはセットアップが実行中です";
constexpr char kLockedByVersion8[] = "Zuntoria８またはセットアップが実行中です";

// Installation records.
constexpr char kVersionOutOfRange[] = "内部エラー　バージョン番号範囲外";
constexpr char kRegistryReadFailed[] = "レジストリの読み取りに失敗。管理者権限で実行してください。";

// Command-line switches, written after a slash.
constexpr char kSwitchUpdate[] = "UPDATE";
constexpr char kSwitchUninstall[] = "UNINSTALL";

}  // namespace SetupText
