#include "cli/commands/archive_access.h"

#include <iostream>

#include "cli/commands.h"
#include "cli/input/password_input.h"
#include "cli/input/password_sources.h"
#include "cli/output/json_output.h"
#include "platform/platform.h"

namespace qv::cli {

void PrintRefusal(const std::string& command, const ArchiveArgs& args, const std::string& shown,
                  std::string_view message, const std::string& detail) {
  std::string text(message);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  std::cerr << text << "\n";
  if (!detail.empty()) std::cerr << "qvl " << command << ": " << args.strArchive << ": " << detail << "\n";
  if (args.bJson) {
    std::cout << JsonText({{"archive", shown}, {"error", text}, {"detail", TextOrNull(detail)}});
  }
}

OpenedArchive OpenArchive(const std::string& command, const ArchiveArgs& args, bool passwordNeeded) {
  OpenedArchive opened;
  opened.strPath = Os().ToWindowsPath(args.strArchive);
  if (opened.strPath.empty()) {
    std::cerr << "qvl " << command << ": " << args.strArchive << ": " << Os().LastErrorText() << "\n";
    opened.nExitCode = kExitUsage;
    return opened;
  }
  opened.strShown = Os().ToNativePath(opened.strPath);
  // Checked before a password is asked for, so that a missing or foreign file is
  // named first; the job checks everything again itself.
  opened.check = CheckArchive(opened.strPath);
  if (opened.check.result != ArchiveCheckResult::kOk) {
    PrintRefusal(command, args, opened.strShown, ArchiveCheckMessage(opened.check.result), opened.check.strDetail);
    opened.nExitCode = kExitFailed;
    return opened;
  }
  if (!opened.check.NeedsPassword()) return opened;
  std::optional<std::u16string> withByteOrderMark;
  if (passwordNeeded) {
    int exitCode = kExitUsage;
    std::optional<std::u16string> password =
        PasswordForArchive(command, args.strArchive, args.strPasswordFile, &exitCode, &withByteOrderMark);
    if (!password) {
      opened.nExitCode = exitCode;
      return opened;
    }
    opened.strPassword = std::move(*password);
  } else {
    const PasswordInput input = ReadPassword(args.strPasswordFile);
    if (!input.bOk) {
      std::cerr << "qvl " << command << ": " << input.strError << "\n";
      opened.nExitCode = kExitUsage;
      return opened;
    }
    if (!input.password && IsSealedHeader(opened.check.header)) {
      // A sealed archive shows nothing, not even its names, without the password.
      std::cerr << "qvl " << command << ": " << args.strArchive
                << ": the archive is strongly protected, so even its names need the password: give "
                   "--password-file or QVL_PASSWORD\n";
      opened.nExitCode = kExitUsage;
      return opened;
    }
    if (!input.password) return opened;
    opened.strPassword = *input.password;
    withByteOrderMark = input.withByteOrderMark;
  }
  opened.bHasPassword = true;
  if (withByteOrderMark &&
      CheckArchivePassword(opened.check.header, opened.strPassword) != ArchiveCheckResult::kOk &&
      CheckArchivePassword(opened.check.header, *withByteOrderMark) == ArchiveCheckResult::kOk) {
    opened.strPassword = std::move(*withByteOrderMark);
  }
  // A wrong password is refused here, before any record is read with it.
  if (CheckArchivePassword(opened.check.header, opened.strPassword) != ArchiveCheckResult::kOk) {
    PrintRefusal(command, args, opened.strShown, ArchiveCheckMessage(ArchiveCheckResult::kWrongPassword),
                 "the password does not open the verifier");
    opened.nExitCode = kExitFailed;
  }
  return opened;
}

}  // namespace qv::cli
