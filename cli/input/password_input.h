// Where qvl takes a password from: --password-file FILE (its first line, without the
// line ending), else the QVL_PASSWORD environment variable.
#pragma once

#include <optional>
#include <string>

namespace qv::cli {

struct PasswordInput {
  bool bOk = true;                        // false: the password file could not be read
  std::optional<std::u16string> password;  // empty: no password was given
  std::string strError;                   // why, when !bOk
};

PasswordInput ReadPassword(const std::string& passwordFile);

}  // namespace qv::cli
