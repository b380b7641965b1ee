// Where a restore may write: files only below the profile's Favorites folder, values
// only below HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer. An archive is
// untrusted input, so anything it names elsewhere is refused with a reason.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace qv {

inline constexpr std::u16string_view kSettingsKey = u"Software\\Microsoft\\Internet Explorer";

// Empty when `name` is one plain path component that a Windows folder can hold
// (a profile restored here may go back to Windows, and Windows can neither open
// nor delete "CON", "x.url." or "a?b") and not the name of one of our temporary
// files (platform/temp_file_name.h); otherwise why it is not.
std::string FileNameProblem(std::u16string_view name);
// FileNameProblem, and also why not when this system cannot hold the name
// (Platform's CanHoldName): a name longer than its names, say.
std::string FileNameProblemHere(std::u16string_view name);

// Where a stored folder ("%USERPROFILE%\Favorites\Links") goes in this profile:
// *folder is set and the result is empty when it lies inside `favoritesFolder`
// once ".", ".." and links are resolved and every name below Favorites is one a
// Windows folder, and this system, can hold; otherwise the result says why not. The profile variable
// and the Favorites part match without regard to case, as Windows paths do.
std::string FavoritesFolderTarget(std::u16string_view storedFolder,
                                  std::u16string_view favoritesFolder, std::u16string* folder);

// Empty when `path` (a file about to be written) still lies inside
// `favoritesFolder` once links are resolved; otherwise why not.
std::string FileTargetProblem(std::u16string_view path, std::u16string_view favoritesFolder);

// Empty when `subkey` under `root` is the settings key or below it, compared without
// regard to case, component by component; otherwise why it is not.
std::string SettingsKeyProblem(RegKey root, std::u16string_view subkey);

}  // namespace qv
