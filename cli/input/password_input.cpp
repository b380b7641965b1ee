#include "cli/input/password_input.h"

#include <cstdlib>
#include <string_view>

#include "platform/platform.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

// Far more than any password; a stream such as /dev/zero would never end.
constexpr std::size_t kMaxPasswordLineBytes = 4096;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// "-" is standard input: `pass show x | qvl ... --password-file -`.
std::optional<std::string> FirstLineOf(const std::string& nativePath, std::string* why) {
  std::u16string path;
  if (nativePath != "-") {
    path = Os().ToWindowsPath(nativePath);
    if (path.empty()) {
      *why = Os().LastErrorText();
      return std::nullopt;
    }
  }
  std::string text;
  if (!Os().ReadFirstLine(path, kMaxPasswordLineBytes, &text)) {
    *why = Os().LastErrorText();
    return std::nullopt;
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace

PasswordInput ReadPassword(const std::string& passwordFile) {
  PasswordInput input;
  if (!passwordFile.empty()) {
    std::string why;
    const std::optional<std::string> line = FirstLineOf(passwordFile, &why);
    if (!line) {
      input.bOk = false;
      input.strError = "cannot read the password file: " + why;
      return input;
    }
    std::string_view text = *line;
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
      input.withByteOrderMark = FromUtf8(text);
      text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    input.password = FromUtf8(text);
  } else if (const char* fromEnvironment = std::getenv("QVL_PASSWORD");
             fromEnvironment != nullptr && *fromEnvironment != '\0') {
    // "QVL_PASSWORD= qvl ..." and an exported empty variable mean no password.
    input.password = FromUtf8(fromEnvironment);
  }
  return input;
}

}  // namespace qv::cli
