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
constexpr char kLogNameTooLong[] = "ログファイルの名前が長すぎます（259バイトまで）。\r\n";
constexpr char kSetupAlreadyRunning[] = "ズント帳セットアップがすでに起動中です";
// The shared data folder is not a plain folder of its own place (a link
// put there by someone): setup refuses to act through it.
constexpr char kDataFolderRefused[] =
    "共有データフォルダがリンクなどに置き換えられているため、安全のためセットアップを中止します。";
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
constexpr char kSwitchSilent[] = "SILENT";
constexpr char kSwitchNoIcon[] = "NOICON";
constexpr char kSwitchDir[] = "DIR=";      // followed by the folder, quoted or not
constexpr char kSwitchLog[] = "LOG";       // optionally followed by =file
constexpr char kSwitchVerify[] = "VERIFY";
constexpr char kSwitchRepair[] = "REPAIR";

// The log of /LOG: its file in the temporary folder, and the tags of its
// lines (file removals are the library's "REMOVE").
constexpr char kDefaultLogFile[] = "SETUP.LOG";
constexpr char kLogCommand[] = "COMMAND";
constexpr char kLogMode[] = "MODE";
constexpr char kLogModeInstall[] = "install";
constexpr char kLogModeUpdate[] = "update";
constexpr char kLogModeUninstall[] = "uninstall";
constexpr char kLogModeVerify[] = "verify";
constexpr char kLogModeRepair[] = "repair";
constexpr char kLogSource[] = "SOURCE";
constexpr char kLogProgram[] = "PROGRAM";
constexpr char kLogData[] = "DATA";
constexpr char kLogSection[] = "SECTION";
constexpr char kLogCopy[] = "COPY";
constexpr char kLogSave[] = "SAVE";
constexpr char kLogRegistry[] = "REG";
constexpr char kLogRegistryDelete[] = "REG-DELETE";
constexpr char kLogShortcut[] = "LINK";
constexpr char kLogAccess[] = "ACCESS";
constexpr char kLogExit[] = "EXIT";

// Copy engine.
constexpr char kConfirmAbort[] = "セットアップを中止しますか？";
constexpr char kCopying[] = "コピー中：";
constexpr char kInUseTail[] =
    " へ書き込みできません。\n実行中のアプリケーションをすべて終了して [再試行] をすると書き込みできるかもしれません。";
constexpr char kCannotRemoveTail[] = " を削除できません";
// The disk prompt: head, disk text (" 2 " or empty), middle, source folder, tail.
constexpr char kDiskPromptHead[] = "Zuntoria Ver.８ ディスク";
constexpr char kDiskPromptMiddle[] = "を ";
constexpr char kDiskPromptTail[] = " にセットして [OK] ボタンを押して下さい";
constexpr char kDiskPromptTitleTail[] = "のコピー";
constexpr char kFileHead[] = "ファイル[";
constexpr char kCannotReadTail[] = "]を読み込むことができません";
constexpr char kCannotWriteTail[] = "]へ書き込むことができません";

// Install worker.
constexpr char kProgressTitle[] = "Zuntoria セットアップ";
constexpr char kPleaseWait[] = "お待ち下さい...";
constexpr char kCompleted[] =
    "セットアップを完了しました。\n「Zuntoria８」のアイコンをクリックするとズントリアを起動できます。";
constexpr char kAborted[] =
    "セットアップを中止しました。\nセットアップは完了してないのでZuntoria Ver.８ は使用できません。";
// Undo of a run that did not complete.
constexpr char kUndoKey[] = "software\\tarvo\\zunto8\\undo";  // the journal of the running setup
constexpr char kUndoBackupTail[] = ".zu8-undo";                 // a file set aside beside its name
constexpr char kUndoing[] = "変更を元に戻しています...";
constexpr char kNotRestoredHead[] = "\n\n次の項目は元に戻せませんでした：";
constexpr char kRecovered[] =
    "前回のセットアップが途中で終了していたため、そのときの変更を元に戻しました。";
constexpr char kRunAgain[] =
    "\n\nこれらを使用しているプログラムを終了してから、もう一度セットアップを実行してください。";
constexpr char kLogUndo[] = "UNDO";
constexpr char kLogNotRestored[] = "NOT-RESTORED";
constexpr char kMainFolder[] = "Main\\";
constexpr char kShellProgram[] = "ZUNTOSHL.EXE";
constexpr char kMainProgram[] = "ZUNTO8.EXE";
constexpr char kSetupProgram[] = "SETUP.EXE";
constexpr char kShellEnv[] = "ZUNTOSHL.ENV";
constexpr char kShareEnv[] = "SHARE.ENV";
constexpr char kCommonEnv[] = "COMMON.ENV";
constexpr char kEnvDefault[] = "Default";
constexpr char kEnvCompany[] = "会社名";
constexpr char kEnvUser[] = "名前";
constexpr char kEnvCompanySelect[] = "会社選択";
constexpr char kEnvFolder[] = "Folder";
constexpr char kEnvProduct[] = "ズント帳";
constexpr char kEnvVersion[] = "Version";
constexpr int kInstalledVersion = 8040;
constexpr char kShortcutFile[] = "Zuntoria８.LNK";
constexpr char kShortcutDescription[] = "Zuntoria８";

// Registry records.
constexpr char kDocTypeProgId[] = "TarvoSorvekDocument8";
constexpr char kDocTypeName[] = "Zuntoria Ver.８ 会計データ(QDA)";
constexpr char kDocTypeExtension[] = ".QDA";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarvoNomiraZunto8";
constexpr char kDisplayName[] = "Zuntoria Ver.８";
constexpr char kUninstallSwitch[] = " /uninstall";
constexpr char kSilentSwitch[] = " /SILENT";
constexpr char kDisplayVersion[] = "8.040";
constexpr char kPublisher[] = "Tarvo";
constexpr char kRegistryWriteFailed[] = "レジストリ書き込みエラー";

// Shortcuts.
constexpr char kShortcutFailed[] = "Windowsショートカットの作成に失敗しました";
constexpr char kCannotCreateFolder[] = "フォルダを作成できません";
constexpr char kConversionFailed[] = "文字列の変換エラー";

// Background window.
constexpr char kSetupWindowTitle[] = "Zuntoria Ver.８ のセットアップ";
constexpr char kBackgroundName[] = "Zuntoria";
constexpr char kBackgroundUninstall[] = "の設定/削除";
constexpr char kBackgroundFont[] = "ＭＳ 明朝";
constexpr char kEndSetupFirst[] = "セットアップを終了してからウィンドウズを終了してください";

// Setup dialog.
constexpr char kSetupDlgTemplate[] = "SetupDlg";
constexpr char kBadFolderName[] = "正しいフォルダ名を入力して下さい";
constexpr char kLowDiskSpace[] = "指定のフォルダは空きが足りなさそうです。セットアップを行いますか？";
constexpr char kSameFolderAsVersion4[] = "バージョン４と同じフォルダにはインストールできません";
constexpr char kSameFolderAsVersion5[] = "バージョン５と同じフォルダにはインストールできません";
constexpr char kSameFolderAsVersion6[] = "バージョン６と同じフォルダにはインストールできません";
constexpr char kSameFolderAsVersion7[] = "バージョン７と同じフォルダにはインストールできません";
constexpr char kFolderExistsHead[] = "指定のプログラムフォルダ\n\n  ";
constexpr char kFolderExistsTail[] = "\n\nは既に存在します.\n\n同名のファイルは上書きされます。よろしいですか？";
constexpr char kStartSetup[] = "セットアップを行います。よろしいですか？";
constexpr char kSelectProgramFolder[] = "プログラムフォルダを選択してください";
constexpr char kNoDesktopFolder[] = "デスクトップフォルダを検出できません";

// Install flow.
constexpr char kSetupList[] = "SETUP.LST";
constexpr char kSettingSection[] = "Setting";  // the settings files a repair keeps
constexpr char kNoStartMenuFolder[] = "スタートメニューのプログラムフォルダを検出できません";
constexpr char kAlreadyInstalled[] =
    "Zuntoria Ver.８ はすでにインストールされています。\n\n"
    "このままセットアップを続けると、既存のZuntoria Ver.８のアンインストールができなくなります。\n\n"
    "別な場所にズント帳をセットアップしたい場合は、既存のズント帳をアンインストールしてからにすることをお勧めします。\n\n"
    "セットアップを中止しますか？\n\n"
    "[いいえ]を選択してセットアップを続行することもできます。\n\n";
constexpr char kDefaultProgramFiles[] = "C:\\Program Files";
constexpr char kDefaultProgramFolder[] = "TarvoNomiraZunto8";

// Update.
constexpr char kUpdateFoundHead[] =
    "以下のフォルダに「Zuntoria Ver.８」を見つけました。このズント帳を更新（上書きインストール）しますか？\n\n";
constexpr char kUpdateFoundTail[] = "\n\n（すでに存在する帳簿データや設定はそのまま残ります）";
constexpr char kNotInstalled[] = "Zuntoria Ver.８が見つかりません";
constexpr char kAlreadyUpToDate[] = "同じかより新しいバージョンがインストール済みです。更新は必要ありません。";
constexpr char kFolderLabel[] = "フォルダ:";
constexpr char kConfirmUpdateHead[] = "以下のフォルダにインストール済みのZuntoria Ver.８を更新します。よろしいですか？\n\n";
constexpr char kConfirmUpdateTitle[] = "Zuntoria Ver.８ セットアップ(8.040)";

// The check sums of the media (SETUP.SUM beside SETUP.LST, in the format
// of sha256sum) and /VERIFY.
constexpr char kSumFile[] = "SETUP.SUM";
constexpr char kVerifyAllWellHead[] = "インストールメディアを確認しました。\n\nファイル ";
constexpr char kVerifyAllWellTail[] = " 個はすべて正常です。";
constexpr char kVerifyProblemsHead[] = "インストールメディアに問題があります。次のファイルを確認してください：\n";
constexpr char kVerifyMissing[] = "\n  見つかりません：";
constexpr char kVerifyDamaged[] = "\n  壊れています：";
constexpr char kVerifyUnlisted[] = "\n  SETUP.SUM に記載がありません：";
constexpr char kVerifyUnreadable[] = "\n  読み取れません：";
constexpr char kVerifyMore[] = "\n  ほか ";
constexpr char kVerifyMoreTail[] = " 個（ログに全件）";
constexpr char kVerifyProblemsTail[] = "\n\nメディアを作り直すか、正しいメディアからセットアップしてください。";
constexpr char kVerifyNoSums[] =
    "このメディアには確認用のファイル SETUP.SUM がないため、メディアのファイルを確認できません。";
// A copy from the media failed and the file disagrees with SETUP.SUM.
constexpr char kMediaDamagedHead[] = "インストールメディアが壊れています。次のファイルの内容が SETUP.SUM と一致しません：\n\n  ";
constexpr char kMediaDamagedTail[] = "\n\nメディアを作り直すか、正しいメディアからセットアップしてください。";
constexpr char kLogVerified[] = "SOUND";
constexpr char kLogMissing[] = "MISSING";
constexpr char kLogDamaged[] = "DAMAGED";
constexpr char kLogUnlisted[] = "NOT-IN-SUM";
constexpr char kLogUnchecked[] = "NO-SUM";
constexpr char kLogUnreadable[] = "UNREADABLE";

// Repair.
constexpr char kMediaDirValue[] = "MediaDir";  // beside the install record: the media it came from
constexpr char kMediaSumValue[] = "MediaSum";  // ... and the text of their SETUP.SUM
constexpr char kRepairSwitch[] = " /REPAIR";
constexpr char kConfirmRepairHead[] = "以下のフォルダにインストールされている Zuntoria Ver.８ を修復します。よろしいですか？\n\n";
constexpr char kConfirmRepairMedia[] = "\n\nメディア：";
constexpr char kConfirmRepairTail[] = "\n\n（帳簿データや設定はそのまま残ります）";
constexpr char kRepairOtherVersion[] =
    "インストールされているバージョンがこのメディアと異なるため、修復できません。更新またはセットアップを行ってください。";
constexpr char kRepairOtherMediaHead[] = "記録されているメディア ";
constexpr char kRepairOtherMediaTail[] =
    " の内容がインストールしたときと異なるため、修復に使えません。\n正しいメディアの SETUP.EXE を /REPAIR を付けて実行してください。";
constexpr char kRepairNoMedia[] =
    "修復に使えるインストールメディアが記録されていません。\nメディアの SETUP.EXE を /REPAIR を付けて実行してください。";
constexpr char kRepaired[] = "Zuntoria Ver.８ を修復しました。\n";
constexpr char kRepairedFiles[] = "\nコピーし直したファイル：";
constexpr char kRepairedMore[] = "\n  ほか %d 個";
constexpr char kRepairedNoFiles[] = "\nプログラムのファイルはすべて正常でした。";
constexpr char kRepairedRecords[] =
    "\n\nレジストリの記録、文書の関連付け、アンインストール情報、ショートカット、共有データフォルダのアクセス権を書き直しました。設定ファイルはそのままです。";
constexpr char kLogKept[] = "KEEP";

// Uninstall.
constexpr char kUninstallTitle[] = "Zuntoria８ の削除";
// After an uninstall of a copy that is not the registered one: its program
// files went, the shared data and the registration stay for that copy.
constexpr char kSharedDataKept[] =
    "\r\n\r\n登録されているのは別のフォルダのコピーのため、共有データフォルダと登録情報は削除しませんでした。\r\n登録されているフォルダ：";
// An uninstall started from the installation media removes nothing.
constexpr char kMediaNotRemoved[] =
    "インストールメディアからは削除できません。\r\n削除はインストール先のフォルダのSETUP.EXE、またはプログラムの一覧から行ってください。\r\n";
constexpr char kConfirmRemoveHead[] = "Zuntoria Ver.８ をこのコンピュータから削除しますか？\n\n（以下のフォルダが削除されます）\r\n";
constexpr char kRemoved[] = "削除しました";
constexpr char kRemoveFailed[] = "削除に失敗しました";
constexpr char kRegistryReadWriteFailed[] = "レジストリ読み書きエラー";

}  // namespace SetupText
