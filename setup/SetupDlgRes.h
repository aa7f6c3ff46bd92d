// SetupDlgRes.h - resource and control ids of the setup dialog.
#pragma once

#define IDI_SETUP 101           // the program icon
#define IDC_SETUP_ICON 131      // static showing the program icon
#define IDC_SETUP_WELCOME 201
#define IDC_SETUP_FOLDER 121    // the program folder
#define IDC_SETUP_BROWSE 122
#define IDC_SETUP_DESKTOP 151   // desktop icon; created hidden
