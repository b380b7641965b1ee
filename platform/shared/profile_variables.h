// %USERPROFILE%, the one environment variable of stored folder paths. An archive
// names its folders as "%USERPROFILE%\Favorites\...", so that it restores into
// whichever profile folder the restoring user has.
//
// No other variable is known on purpose: an archive is untrusted input, and
// expanding %TMP%, %SystemRoot% or the like from the environment would let it
// steer writes anywhere; and an archive names its folders by %USERPROFILE% alone,
// whatever else a system's environment could stand for.
#pragma once

#include <string>
#include <string_view>

namespace qv {

class ProfileVariables {
 public:
  // profileFolder: the profile folder in Windows form ("C:\Users\alice").
  explicit ProfileVariables(std::u16string profileFolder);

  // The value of %USERPROFILE%: no trailing separator ("Z:" for the root).
  const std::u16string& UserProfile() const { return m_strUserProfile; }

  // A leading part of `path` equal to the profile folder, as whole components and
  // without regard to case or separator kind, becomes "%USERPROFILE%".
  bool UnExpand(std::u16string_view path, std::u16string* out) const;
  // Every "%USERPROFILE%" (name in any case) becomes the profile folder; any other
  // %NAME% stays as written.
  std::u16string Expand(std::u16string_view text) const;

 private:
  std::u16string m_strUserProfile;
};

}  // namespace qv
