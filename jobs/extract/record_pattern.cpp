#include "jobs/extract/record_pattern.h"

#include <utility>

#include "platform/text/windows_case.h"
#include "platform/win_types.h"
#include "jobs/inspect/record_names.h"
#include "platform/text/text.h"

namespace qv {
namespace {

constexpr std::u16string_view kFavoritesPrefix = u"%USERPROFILE%\\FAVORITES\\";

std::u16string Normalized(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = unit == u'/' ? u'\\' : UpperCaseUnit(unit);
  return out;
}

// One "[...]" set at pattern[*at] (just after the "["); moves *at past its "]".
// A "[" without a closing "]" is an ordinary character.
bool SetMatches(std::u16string_view pattern, std::size_t* at, char16_t unit, bool* wellFormed) {
  std::size_t i = *at;
  const bool negated = i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^');
  if (negated) ++i;
  bool found = false;
  bool first = true;
  for (; i < pattern.size() && (first || pattern[i] != u']'); ++i, first = false) {
    if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
      found = found || (unit >= pattern[i] && unit <= pattern[i + 2]);
      i += 2;
    } else {
      found = found || unit == pattern[i];
    }
  }
  *wellFormed = i < pattern.size();
  if (!*wellFormed) return false;
  *at = i + 1;
  return found != negated;
}

// Both already normalized. Backtracks only to the last "*", which is enough for
// globs: a later star can always absorb what an earlier one would have.
bool Match(std::u16string_view pattern, std::u16string_view text) {
  std::size_t p = 0, t = 0;
  std::size_t starP = std::u16string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = ++p;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      if (pattern[p] == u'?') {
        ++p;
        ++t;
        continue;
      }
      if (pattern[p] == u'[') {
        std::size_t next = p + 1;
        bool wellFormed = false;
        const bool hit = SetMatches(pattern, &next, text[t], &wellFormed);
        if (wellFormed && hit) {
          p = next;
          ++t;
          continue;
        }
        if (!wellFormed && text[t] == u'[') {
          ++p;
          ++t;
          continue;
        }
      } else if (pattern[p] == text[t]) {
        ++p;
        ++t;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    p = starP;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// The whole text, or a leading part of it that ends at a separator: a folder or a
// key selects what lies below it.
bool MatchesOrContains(std::u16string_view pattern, std::u16string_view text) {
  if (Match(pattern, text)) return true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && Match(pattern, text.substr(0, i))) return true;
  }
  return false;
}

std::vector<std::u16string> Candidates(const ScannedRecord& record) {
  std::vector<std::u16string> candidates;
  if (record.nKind == kFileItemKind) {
    std::u16string folder = TextFieldValue(record.file.item.folder);
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    const std::u16string path = Normalized(folder + TextFieldValue(record.file.item.name));
    candidates.push_back(path);
    if (path.starts_with(kFavoritesPrefix)) candidates.push_back(path.substr(kFavoritesPrefix.size()));
    return candidates;
  }
  std::u16string name = TextFieldValue(record.value.item.valueName);
  if (name.empty()) name = u"@";
  const std::u16string keyAndValue = Normalized(TextFieldValue(record.value.item.subkey) + u"\\" + name);
  candidates.push_back(keyAndValue);
  candidates.push_back(Normalized(FromUtf8(RootKeyName(record.value.item.root))) + u"\\" + keyAndValue);
  if (record.value.item.root == kHkeyCurrentUser) candidates.push_back(u"HKCU\\" + keyAndValue);
  return candidates;
}

}  // namespace

bool GlobMatches(std::u16string_view pattern, std::u16string_view text) {
  return Match(Normalized(pattern), Normalized(text));
}

RecordPatterns::RecordPatterns(std::vector<std::u16string> patterns) : m_given(std::move(patterns)) {
  for (const std::u16string& given : m_given) {
    std::u16string normalized = Normalized(given);
    // "Links/" names the folder "Links".
    while (normalized.size() > 1 && normalized.back() == u'\\') normalized.pop_back();
    m_normalized.push_back(std::move(normalized));
  }
  m_matched.assign(m_given.size(), false);
}

bool RecordPatterns::Selects(const ScannedRecord& record) {
  if (m_given.empty()) return true;
  const std::vector<std::u16string> candidates = Candidates(record);
  bool selected = false;
  for (std::size_t i = 0; i < m_normalized.size(); ++i) {
    for (const std::u16string& candidate : candidates) {
      if (MatchesOrContains(m_normalized[i], candidate)) {
        m_matched[i] = true;
        selected = true;
        break;
      }
    }
  }
  return selected;
}

std::vector<std::u16string> RecordPatterns::Unmatched() const {
  std::vector<std::u16string> unmatched;
  for (std::size_t i = 0; i < m_given.size(); ++i) {
    if (!m_matched[i]) unmatched.push_back(m_given[i]);
  }
  return unmatched;
}

}  // namespace qv
