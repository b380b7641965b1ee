#include "platform/shared/profile_variables.h"

#include <utility>

#include "platform/text/windows_case.h"

namespace qv {
namespace {

constexpr std::u16string_view kUserProfileName = u"USERPROFILE";

bool IsWindowsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool SamePathText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsWindowsSeparator(a[i]) && IsWindowsSeparator(b[i])) continue;
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

}  // namespace

ProfileVariables::ProfileVariables(std::u16string profileFolder)
    : m_strUserProfile(std::move(profileFolder)) {
  while (!m_strUserProfile.empty() && IsWindowsSeparator(m_strUserProfile.back())) {
    m_strUserProfile.pop_back();
  }
}

bool ProfileVariables::UnExpand(std::u16string_view path, std::u16string* out) const {
  const std::size_t length = m_strUserProfile.size();
  if (length == 0 || path.size() < length) return false;
  if (!SamePathText(path.substr(0, length), m_strUserProfile)) return false;
  // "Z:\Users\al" must not claim "Z:\Users\alice".
  if (path.size() > length && !IsWindowsSeparator(path[length])) return false;
  *out = u"%USERPROFILE%";
  out->append(path.substr(length));
  return true;
}

std::u16string ProfileVariables::Expand(std::u16string_view text) const {
  std::u16string result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find(u'%', pos);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) break;
    result.append(text.substr(pos, open - pos));
    const std::u16string_view name = text.substr(open + 1, close - open - 1);
    if (EqualsIgnoringCase(name, kUserProfileName)) {
      result.append(m_strUserProfile);
    } else {
      result.append(text.substr(open, close - open + 1));
    }
    pos = close + 1;
  }
  result.append(text.substr(pos));
  return result;
}

}  // namespace qv
