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

// Command-line switches, written after a slash.
constexpr char kSwitchUpdate[] = "UPDATE";
constexpr char kSwitchUninstall[] = "UNINSTALL";

}  // namespace SetupText
