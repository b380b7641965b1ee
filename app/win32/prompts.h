// What the Win32 window asks and tells its user, and the text conversions it needs
// on the way: message boxes, the common file dialogs, the manual.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "app/workers/job_outcome.h"

namespace qv::app::win32 {

std::wstring Wide(std::string_view utf8);
std::wstring Wide(std::u16string_view text);
std::u16string U16(std::wstring_view text);
std::string Utf8(std::wstring_view text);

// A string of the program's string table; empty when it has none.
std::wstring LoadText(int nId);
// The parts of a command's string before and after its line feed.
std::wstring CommandPrompt(int nCommand);
std::wstring CommandTip(int nCommand);

// The text of a dialog's control, whatever its length.
std::wstring ItemText(HWND hDialog, int nId);

// Modal, over `hOwner`; the button pressed (IDOK, IDYES, IDNO).
int ShowBox(HWND hOwner, std::string_view text, std::string_view caption, UINT nType);
void ShowError(HWND hOwner, std::string_view text);
// An outcome box; its details follow the text, the first of them only, as a
// message box cannot scroll.
void ShowOutcome(HWND hOwner, const OutcomeBox& box);

// A filter in the "Name(*.ext)" form both windows keep, as the file dialogs take it.
std::wstring FileDialogFilter(std::string_view filter);
// The chosen full path; empty when cancelled. The open dialog takes the name of a
// file that does not exist: the caller says so in its own words.
std::wstring AskOpenFileName(HWND hOwner, std::string_view filter);
// Asks before an existing file is replaced; adds `defaultExtension` to a bare name.
std::wstring AskSaveFileName(HWND hOwner, std::string_view filter, const wchar_t* defaultExtension);

// manual.html beside the program, as installed and in the build tree.
std::wstring ManualPath();
// Help and the web site buttons: the manual in the user's browser. A failure of
// the shell is not told: there is nothing the user could do about it here.
void OpenManual(HWND hOwner);

}  // namespace qv::app::win32
