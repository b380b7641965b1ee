// The names of our temporary files: ".quorvel-<pid>-XXXXXX.tmp", made by the
// process <pid> in the folder of the file they are to replace. Earlier releases
// named them ".quorvel-XXXXXX.tmp" and, beside a hive, "NTUSER.DAT.quorvel-XXXXXX";
// those count as ours too, so that what a killed job left is recognised.
//
// Nothing of ours is ever backed up as a favorite, nor restored as one (an archive
// could name one), and what a dead process left is removed by the next job. A
// user's own ".quorvel-notes.tmp" matches no form.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

inline constexpr std::string_view kTempNamePrefix = ".quorvel-";
inline constexpr std::string_view kTempNameSuffix = ".tmp";
inline constexpr std::size_t kTempNameRandomChars = 6;  // mkstemp's XXXXXX

struct TempFileName {
  bool bOurs = false;
  std::uint64_t nProcess = 0;  // the creating process; 0 for the earlier forms
};

// Works on UTF-8 and UTF-16 names alike: every character it looks at is ASCII.
template <class Char>
TempFileName ParseTempFileName(std::basic_string_view<Char> name) {
  const auto isAlnum = [](Char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };
  const auto startsWith = [&](std::basic_string_view<Char> text, std::string_view ascii) {
    if (text.size() < ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
      if (text[i] != static_cast<Char>(ascii[i])) return false;
    }
    return true;
  };
  const auto randomTail = [&](std::basic_string_view<Char> text) {
    if (text.size() != kTempNameRandomChars) return false;
    for (const Char c : text) {
      if (!isAlnum(c)) return false;
    }
    return true;
  };
  constexpr std::string_view kHiveForm = "NTUSER.DAT.quorvel-";
  if (startsWith(name, kHiveForm)) return {randomTail(name.substr(kHiveForm.size())), 0};

  const std::size_t fixed = kTempNamePrefix.size() + kTempNameRandomChars + kTempNameSuffix.size();
  if (name.size() < fixed || !startsWith(name, kTempNamePrefix) ||
      !startsWith(name.substr(name.size() - kTempNameSuffix.size()), kTempNameSuffix)) {
    return {};
  }
  std::basic_string_view<Char> middle =
      name.substr(kTempNamePrefix.size(), name.size() - kTempNamePrefix.size() - kTempNameSuffix.size());
  if (middle.size() == kTempNameRandomChars) return {randomTail(middle), 0};
  // "<pid>-XXXXXX"
  const std::size_t dash = middle.size() - kTempNameRandomChars - 1;
  if (middle.size() < kTempNameRandomChars + 2 || middle[dash] != '-' ||
      !randomTail(middle.substr(dash + 1)) || dash > 19) {
    return {};
  }
  std::uint64_t process = 0;
  for (std::size_t i = 0; i < dash; ++i) {
    if (middle[i] < '0' || middle[i] > '9') return {};
    process = process * 10 + static_cast<std::uint64_t>(middle[i] - '0');
  }
  return {process != 0, process};
}

inline bool IsTempFileName(std::u16string_view name) { return ParseTempFileName(name).bOurs; }
inline bool IsTempFileName(std::string_view name) { return ParseTempFileName(name).bOurs; }

}  // namespace qv
