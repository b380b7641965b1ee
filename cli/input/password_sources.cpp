#include "cli/input/password_sources.h"

#include <iostream>

#include "cli/commands.h"
#include "cli/input/password_input.h"
#include "platform/terminal/terminal_prompt.h"
#include "jobs/backup_job.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

// The backup dialog's own words, and its order: a mismatch first, then the length.
constexpr char kMismatch[] = "Wrong password, please enter the password twice into the password boxes!";
constexpr char kTooShort[] = "Password too short, please make sure your password has six or more characters!";
constexpr char kUnusable[] =
    "Password has characters that protection cannot use, please use only Western European letters, digits and "
    "signs!";
constexpr int kBackupAttempts = 3;

}  // namespace

std::optional<std::u16string> PasswordForArchive(const std::string& command, const std::string& archiveAsGiven,
                                                 const std::string& passwordFile, int* exitCode,
                                                 std::optional<std::u16string>* withByteOrderMark) {
  const PasswordInput input = ReadPassword(passwordFile);
  if (!input.bOk) {
    std::cerr << "qvl " << command << ": " << input.strError << "\n";
    *exitCode = kExitUsage;
    return std::nullopt;
  }
  if (withByteOrderMark != nullptr) *withByteOrderMark = input.withByteOrderMark;
  if (input.password) return input.password;
  if (StandardInputIsTerminal()) {
    if (const std::optional<std::string> typed = PromptWithoutEcho("Password of " + archiveAsGiven + ": ")) {
      return FromUtf8(*typed);
    }
    std::cerr << "qvl " << command << ": no password was entered\n";
    *exitCode = kExitUsage;
    return std::nullopt;
  }
  std::cerr << "qvl " << command << ": " << archiveAsGiven
            << " is password protected: give --password-file FILE or set QVL_PASSWORD\n";
  *exitCode = kExitUsage;
  return std::nullopt;
}

BackupPassword PasswordForBackup(const std::string& passwordFile, bool protect, bool sealed) {
  BackupPassword result;
  const auto refuse = [&result](const std::string& why) {
    if (!why.empty()) std::cerr << "qvl backup: " << why << "\n";
    result.bOk = false;
    result.nExitCode = kExitUsage;
    return result;
  };
  const PasswordInput input = ReadPassword(passwordFile);
  if (!input.bOk) return refuse(input.strError);
  if (input.password && sealed) {
    if (std::string problem = SealedPasswordProblem(*input.password); !problem.empty()) return refuse(problem);
    result.password = input.password;
    return result;
  }
  if (input.password) {
    if (input.password->size() < kMinPasswordLength) return refuse("the password must have 6 or more characters");
    if (std::string problem = PasswordCharacterProblem(*input.password); !problem.empty()) return refuse(problem);
    result.password = input.password;
    return result;
  }
  if (!protect) return result;
  if (!StandardInputIsTerminal()) {
    return refuse("--protect needs a password: give --password-file FILE or set QVL_PASSWORD");
  }
  for (int attempt = 0; attempt < kBackupAttempts; ++attempt) {
    const std::optional<std::string> first = PromptWithoutEcho("Please enter your password: ");
    const std::optional<std::string> second = first ? PromptWithoutEcho("Please enter it again: ") : std::nullopt;
    if (!first || !second) break;
    const std::u16string password = FromUtf8(*first);
    if (*first != *second) {
      std::cerr << kMismatch << "\n";
    } else if (sealed) {
      const std::string problem = SealedPasswordProblem(password);
      if (problem.empty()) {
        result.password = password;
        return result;
      }
      std::cerr << "The password cannot be used: " << problem << ".\n";
    } else if (password.size() < kMinPasswordLength) {
      std::cerr << kTooShort << "\n";
    } else if (!PasswordCharacterProblem(password).empty()) {
      std::cerr << kUnusable << "\n";
    } else {
      result.password = password;
      return result;
    }
  }
  return refuse("no password was set; nothing was written");
}

}  // namespace qv::cli
