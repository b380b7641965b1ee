// Which records an extract takes: globs on what a user reads in a listing.
//
// A favorite is matched by its stored path ("%USERPROFILE%\Favorites\Links\a.url")
// and by its path below Favorites ("Links\a.url"); a setting by its key and value
// name ("Software\Microsoft\Internet Explorer\Main\Start Page"), with or without
// "HKEY_CURRENT_USER\" or "HKCU\" in front; a key's unnamed value is "KEY\@".
// "*" matches any run of characters, "\" included, "?" one character, "[...]" one
// of a set ("[!...]" one not in it). Case does not count, as in Windows names, and
// "/" stands for "\". A pattern that matches a folder or a key selects everything
// below it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/scan/scanned_record.h"

namespace qv {

bool GlobMatches(std::u16string_view pattern, std::u16string_view text);

class RecordPatterns {
 public:
  explicit RecordPatterns(std::vector<std::u16string> patterns);

  // True when there are no patterns, or one of them selects the record.
  bool Selects(const ScannedRecord& record);
  // The patterns that selected nothing so far, as given.
  std::vector<std::u16string> Unmatched() const;

 private:
  std::vector<std::u16string> m_given;
  std::vector<std::u16string> m_normalized;
  std::vector<bool> m_matched;
};

}  // namespace qv
