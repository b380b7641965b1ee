// Where a restore may write: files only below the profile's Favorites folder, values
// only below HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer. An archive is
// untrusted input, so anything it names elsewhere is refused with a reason.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace qv {

inline constexpr std::u16string_view kSettingsKey = u"Software\\Microsoft\\Internet Explorer";

// Empty when `name` is one plain path component; otherwise why it is not.
std::string FileNameProblem(std::u16string_view name);

// Empty when `expandedFolder` lies inside `favoritesFolder` once ".", ".." and links
// are resolved; otherwise why it does not.
std::string FolderProblem(std::u16string_view expandedFolder, std::u16string_view favoritesFolder);

// Empty when `subkey` under `root` is the settings key or below it, compared without
// regard to case, component by component; otherwise why it is not.
std::string SettingsKeyProblem(RegKey root, std::u16string_view subkey);

}  // namespace qv
