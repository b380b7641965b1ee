#include "sources/favorites/name_spellings.h"

#include <functional>
#include <vector>

#include "platform/text/text.h"
#include "platform/text/windows_case.h"

namespace qv {
namespace {

// The parts of the path with "." dropped and ".." taking back the part before it,
// so that "Links\..\LINKS" is seen as "LINKS".
std::vector<std::u16string_view> Parts(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view part = path.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string NameSpellings::Claim(std::u16string_view path) {
  const std::vector<std::u16string_view> parts = Parts(path);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> fresh;
  std::u16string exact;
  std::u16string folded;
  for (const std::u16string_view part : parts) {
    exact += u'\\';
    folded += u'\\';
    exact += part;
    for (const char16_t unit : part) folded += UpperCaseUnit(unit);
    const std::uint64_t foldedHash = std::hash<std::u16string>{}(folded);
    const std::uint64_t exactHash = std::hash<std::u16string>{}(exact);
    const auto known = m_spellings.find(foldedHash);
    if (known == m_spellings.end()) {
      fresh.emplace_back(foldedHash, exactHash);
    } else if (known->second != exactHash) {
      return "the name \"" + ToUtf8(part) +
             "\" differs only in case from one extracted before, and a Windows folder holds only one of them";
    }
  }
  m_spellings.insert(fresh.begin(), fresh.end());
  return {};
}

}  // namespace qv
