// The backup dialog's checks of what was typed, in the order they are made, for
// every window that shows the dialog.
#pragma once

#include <string_view>

namespace qv::app {

struct BackupEntryProblem {
  int nFocusId = 0;                // the box to correct
  const char* strMessage = nullptr;  // shown with the caption "Error"; null: all is well
};

// `bPathIsFolder`: the path as typed names a folder (or a link to one), which the
// archive can never replace; the window asks its own file system.
BackupEntryProblem CheckBackupEntries(std::u16string_view fileName, bool bPathIsFolder, bool bProtect,
                                      std::u16string_view password, std::u16string_view confirmation);

// Empty, or white space alone.
bool IsBlank(std::u16string_view text);

}  // namespace qv::app
