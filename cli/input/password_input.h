// Where qvl takes a password from: --password-file FILE (its first line, without the
// line ending and without a UTF-8 byte-order mark that an editor put first; FILE
// may be a pipe, and "-" is standard input), else the QVL_PASSWORD environment
// variable when it is set and not empty.
#pragma once

#include <optional>
#include <string>

namespace qv::cli {

struct PasswordInput {
  bool bOk = true;                        // false: the password file could not be read
  std::optional<std::u16string> password;  // empty: no password was given
  std::string strError;                   // why, when !bOk
  // The password with the file's byte-order mark in front, as qvl took it before it
  // dropped the mark: archives protected then open with this form.
  std::optional<std::u16string> withByteOrderMark;
};

PasswordInput ReadPassword(const std::string& passwordFile);

}  // namespace qv::cli
