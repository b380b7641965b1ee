#include "cli/input/password_input.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"

namespace qv::cli {
namespace {

constexpr std::uint32_t kMaxPasswordFileBytes = 64 * 1024;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::optional<std::string> FirstLineOf(const std::string& nativePath, std::string* why) {
  // Read-only: nothing can be lost when it closes.
  const UniqueFile file(
      Os().CreateFileW(Os().ToWindowsPath(nativePath), kGenericRead, kFileShareRead, kOpenExisting));
  if (!file.Valid()) {
    *why = Os().LastErrorText();
    return std::nullopt;
  }
  std::string text(kMaxPasswordFileBytes, '\0');
  std::uint32_t count = 0;
  if (!Os().ReadFile(file.Get(), text.data(), kMaxPasswordFileBytes, &count)) {
    *why = Os().LastErrorText();
    return std::nullopt;
  }
  text.resize(count);
  text = text.substr(0, text.find('\n'));
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
