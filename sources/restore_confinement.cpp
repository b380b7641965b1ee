#include "sources/restore_confinement.h"

#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "platform/text.h"

namespace qv {
namespace {

std::vector<std::u16string_view> SplitComponents(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find(u'\\', start);
    parts.push_back(path.substr(start, slash == std::u16string_view::npos ? slash : slash - start));
    if (slash == std::u16string_view::npos) return parts;
    start = slash + 1;
  }
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// Registry key names compare without regard to case; the names compared here are
// ASCII, so folding ASCII letters is enough.
bool SameKeyName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsDotComponent(std::u16string_view part) { return part == u"." || part == u".."; }

}  // namespace

std::string FileNameProblem(std::u16string_view name) {
  if (name.empty()) return "the file name is empty";
  if (IsDotComponent(name)) return "the file name \"" + ToUtf8(name) + "\" names a folder";
  if (name.find_first_of(u"\\/:") != std::u16string_view::npos) {
    return "the file name \"" + ToUtf8(name) + "\" is not a single path component";
  }
  return {};
}

std::string FolderProblem(std::u16string_view expandedFolder, std::u16string_view favoritesFolder) {
  if (expandedFolder.empty()) return "the folder is empty";
  if (!Os().IsPathWithin(expandedFolder, favoritesFolder)) {
    return "the folder \"" + ToUtf8(expandedFolder) + "\" lies outside the Favorites folder \"" +
           ToUtf8(favoritesFolder) + "\"";
  }
  return {};
}

std::string SettingsKeyProblem(RegKey root, std::u16string_view subkey) {
  if (root != kHkeyCurrentUser) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(root));
    return std::string("the root key ") + text + " is not HKEY_CURRENT_USER";
  }
  const std::vector<std::u16string_view> parts = SplitComponents(subkey);
  for (std::u16string_view part : parts) {
    if (part.empty() || IsDotComponent(part)) {
      return "the key \"" + ToUtf8(subkey) + "\" has an empty, \".\" or \"..\" component";
    }
  }
  const std::vector<std::u16string_view> required = SplitComponents(kSettingsKey);
  bool inside = parts.size() >= required.size();
  for (std::size_t i = 0; inside && i < required.size(); ++i) inside = SameKeyName(parts[i], required[i]);
  if (!inside) {
    return "the key \"" + ToUtf8(subkey) + "\" is not below HKEY_CURRENT_USER\\" + ToUtf8(kSettingsKey);
  }
  return {};
}

}  // namespace qv
