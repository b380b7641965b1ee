// One spelling per name, as a Windows folder keeps: Windows matches file and folder
// names without regard to case, so "Links\a.url" and "LINKS\A.URL" are one file
// there, and a folder that held both could not go back to Windows. An extract, whose
// folder may be copied there, keeps the first spelling and refuses the later ones.
//
// Only a hash of each name and of its spelling is kept, never the name: an archive
// may name millions of files and folders.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qv {

class NameSpellings {
 public:
  // Empty when no folder or file on `path` (Windows form; "." and ".." are taken
  // as written) differs only in case from the same part of a path claimed
  // before; the path is claimed then. Otherwise why not, and nothing is claimed.
  std::string Claim(std::u16string_view path);

 private:
  std::unordered_map<std::uint64_t, std::uint64_t> m_spellings;  // folded path -> its first spelling
};

}  // namespace qv
