// The checks a restore makes before it touches anything: the archive opens, its
// header is one we read, and the password opens its verifier.
#pragma once

#include <string>
#include <string_view>

#include "store/records.h"

namespace qv {

enum class ArchiveCheckResult { kOk, kCannotOpen, kIncorrect, kWrongPassword };

// The texts users have always seen for the three refusals (the first ends with a
// line feed). Empty for kOk.
std::string_view ArchiveCheckMessage(ArchiveCheckResult result);

struct ArchiveCheck {
  ArchiveCheckResult result = ArchiveCheckResult::kCannotOpen;
  ArchiveHeader header;
  std::string strDetail;  // what exactly was wrong, for a log or a verbose front end

  bool NeedsPassword() const { return result == ArchiveCheckResult::kOk && header.isProtected != 0; }
};

// Opens the archive for reading without sharing, reads its 116-byte header and
// checks magic, version and (for a protected archive) the verifier's length.
[[nodiscard]] ArchiveCheck CheckArchive(std::u16string_view archivePath);

// kOk when `password` opens the verifier of an accepted header; kWrongPassword
// otherwise. An unprotected archive takes any password (the restore uses "").
[[nodiscard]] ArchiveCheckResult CheckArchivePassword(const ArchiveHeader& header,
                                                      const std::u16string& password);

}  // namespace qv
