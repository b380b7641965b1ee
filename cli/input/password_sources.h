// Where each command takes a password from, in this order: --password-file FILE,
// the QVL_PASSWORD environment variable, and, when standard input is a terminal, a
// question without echo. Never from a plain command-line argument, which any user
// of the machine can read in the process list.
#pragma once

#include <optional>
#include <string>

namespace qv::cli {

// The password of a protected archive that `command` is about to read. On nullopt
// the reason is printed and *exitCode set. *withByteOrderMark (when given): the
// form that ReadPassword keeps for archives of qvl versions that left the mark in.
std::optional<std::u16string> PasswordForArchive(const std::string& command, const std::string& archiveAsGiven,
                                                 const std::string& passwordFile, int* exitCode,
                                                 std::optional<std::u16string>* withByteOrderMark = nullptr);

struct BackupPassword {
  bool bOk = true;                          // false: no usable password; why was printed
  int nExitCode = 0;                        // when !bOk
  std::optional<std::u16string> password;   // none: an unprotected backup
};

// A backup's password: given by a file or QVL_PASSWORD, or, with `protect`, asked
// twice on the terminal with the backup dialog's checks and messages. Refused when
// it is short, or holds a character the archive's key cannot keep. With `sealed`
// the sealed form's rules apply instead: 8 or more characters, any of Unicode.
BackupPassword PasswordForBackup(const std::string& passwordFile, bool protect, bool sealed = false);

}  // namespace qv::cli
