// FolderDlg2Res.h - control ids of the folder selection dialog. The first
// three are placeholders that the dialog replaces by its controls.
#pragma once

#define IDC_FOLDER_TREE 101   // the left list: where the folder lies
#define IDC_FOLDER_PATH 102   // the path field
#define IDC_FOLDER_FILES 103  // the right list: the folder's files
#define IDC_FOLDER_HELP 104
