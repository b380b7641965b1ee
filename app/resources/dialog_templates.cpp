#include "app/resources/dialog_template.h"

#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

using K = ControlKind;

constexpr ControlTemplate kBackupControls[] = {
    {K::kStatic, IDC_STATIC, "Output archive filename:", 7, 7, 80, 8},
    {K::kEdit, IDC_FILENAME, "", 7, 18, 192, 12},
    {K::kPushButton, IDC_BROWSE, "?", 201, 17, 17, 14, 0, nullptr,
     "Choose the output archive file"},
    {K::kGroupBox, IDC_STATIC, "Options:", 7, 37, 214, 98},
    {K::kAutoCheckBox, IDC_COMPRESS, "Compress output archive", 15, 52, 96, 10},
    {K::kAutoCheckBox, IDC_PROTECT, "Password protected", 15, 69, 80, 10},
    {K::kStatic, IDC_PASSWORD_LABEL, "Please enter your password:", 26, 84, 93, 8},
    {K::kPasswordEdit, IDC_PASSWORD, "", 26, 96, 108, 12},
    {K::kPasswordEdit, IDC_PASSWORD_CONFIRM, "", 26, 112, 108, 12, 0, "Confirm password",
     "Type the password again"},
    {K::kDefPushButton, IDOK, "OK", 62, 145, 50, 14},
    {K::kPushButton, IDCANCEL, "Cancel", 115, 145, 50, 14},
};

constexpr ControlTemplate kEnterPasswordControls[] = {
    {K::kStatic, IDC_STATIC, "Please enter the password below:", 7, 7, 110, 8},
    {K::kPasswordEdit, IDC_PASSWORD, "", 7, 19, 157, 12},
    {K::kDefPushButton, IDOK, "OK", 34, 41, 50, 14},
    {K::kPushButton, IDCANCEL, "Cancel", 87, 41, 50, 14},
};

constexpr ControlTemplate kSplashControls[] = {
    {K::kStaticBitmap, IDC_STATIC, nullptr, 0, 0, 200, 123, IDB_SPLASH, "Quorvel",
     "Saves and restores Internet Explorer favorites and settings"},
    {K::kPushButton, IDOK, "&Continue", 47, 132, 50, 14},
    {K::kPushButton, IDC_WEBSITE, "&Website", 101, 132, 50, 14},
};

constexpr ControlTemplate kAboutControls[] = {
    {K::kStaticIcon, IDC_STATIC, nullptr, 7, 7, 21, 20, IDR_MAINFRAME, "Quorvel icon"},
    {K::kStatic, IDC_TITLE, "Quorvel", 40, 7, 188, 15},
    {K::kStatic, IDC_STATIC, "Copyright \xC2\xA9 2026 The Quorvel developers", 39, 26, 189, 8},
    {K::kDefPushButton, IDOK, "OK", 54, 72, 62, 16},
    {K::kPushButton, IDC_WEBSITE, "&Visit website ...", 119, 72, 62, 16},
};

constexpr DialogTemplate kBackup{IDD_BACKUP, "Backup", 228, 166, kBackupControls};
constexpr DialogTemplate kEnterPassword{IDD_ENTER_PASSWORD, "Enter password", 171, 62,
                                        kEnterPasswordControls};
constexpr DialogTemplate kSplash{IDD_SPLASH, "Welcome to QVL", 200, 153, kSplashControls};
constexpr DialogTemplate kAbout{IDD_ABOUTBOX, "About Quorvel", 235, 95, kAboutControls};

}  // namespace

const DialogTemplate& BackupDialogTemplate() { return kBackup; }
const DialogTemplate& EnterPasswordDialogTemplate() { return kEnterPassword; }
const DialogTemplate& SplashDialogTemplate() { return kSplash; }
const DialogTemplate& AboutDialogTemplate() { return kAbout; }

}  // namespace qv::app
