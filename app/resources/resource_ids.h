// Identifiers of the window's resources, commands and dialog controls. The numbers
// are the ones the templates, the menu and the string table have always used, so
// tests and the accessibility layer can find each control by them.
#pragma once

namespace qv::app {

// Resources.
inline constexpr int IDR_MAINFRAME = 128;  // menu, accelerators, toolbar, icon, title
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_BACKUP = 130;
inline constexpr int IDD_ENTER_PASSWORD = 131;
inline constexpr int IDD_SPLASH = 135;
inline constexpr int IDB_TOOLBAR = 132;
inline constexpr int IDB_FAVORITES = 133;
inline constexpr int IDB_IE_SETTINGS = 134;
inline constexpr int IDB_SPLASH = 136;

// Dialog controls.
inline constexpr int IDC_STATIC = -1;  // a control nobody addresses
// Windows' own headers define these two as macros, of the same values.
#ifndef IDOK
inline constexpr int IDOK = 1;
#endif
#ifndef IDCANCEL
inline constexpr int IDCANCEL = 2;
#endif
inline constexpr int IDC_FILENAME = 1000;
inline constexpr int IDC_BROWSE = 1001;
inline constexpr int IDC_COMPRESS = 1002;
inline constexpr int IDC_PROTECT = 1003;
inline constexpr int IDC_PASSWORD = 1004;
inline constexpr int IDC_PASSWORD_CONFIRM = 1005;
inline constexpr int IDC_PASSWORD_LABEL = 1006;
inline constexpr int IDC_TITLE = 1008;
inline constexpr int IDC_WEBSITE = 1009;

// Commands.
inline constexpr int ID_FILE_BACKUP = 32771;
inline constexpr int ID_FILE_RESTORE = 32772;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_FINDER = 57667;
inline constexpr int ID_CONTEXT_HELP = 57669;
inline constexpr int ID_HELP = 57670;

}  // namespace qv::app
