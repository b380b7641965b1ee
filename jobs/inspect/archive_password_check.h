// The checks every archive tool makes before it reads records, with the same
// messages as a restore: the file opens, its header is ours, and a given password
// opens its verifier.
#pragma once

#include <atomic>
#include <string>

#include "jobs/archive_check.h"
#include "store/scan/archive_scanner.h"

namespace qv {

// `password` may be null: a protected archive then passes, and the caller decides
// whether it can do without (a listing can; decoding cannot). A password given for
// an unprotected archive is ignored.
[[nodiscard]] ArchiveCheck CheckArchiveAndPassword(std::u16string_view archivePath, const std::u16string* password);

// How a tool that decodes reads an archive that passed those checks: with the
// password when the header is protected, reporting to `window`, stopping at `stopFlag`.
ScanOptions DecodingScanOptions(const ArchiveCheck& check, const std::u16string& password, bool salvage,
                                WindowHandle window, const std::atomic<bool>* stopFlag);

}  // namespace qv
