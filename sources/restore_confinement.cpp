#include "sources/restore_confinement.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "platform/temp_file_name.h"
#include "platform/text/text.h"

namespace qv {
namespace {

// NTFS holds at most 255 UTF-16 units in one name.
constexpr std::size_t kMaxNameUnits = 255;
constexpr std::u16string_view kStoredFavorites = u"%USERPROFILE%\\Favorites";

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

// The names compared here (the settings key, the profile variable, "Favorites",
// device names) are ASCII, so folding ASCII letters is enough.
bool SameAsciiName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsDotComponent(std::u16string_view part) { return part == u"." || part == u".."; }

// Windows opens these as devices whatever follows them after a dot.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL"}) {
    if (SameAsciiName(base, device)) return true;
  }
  // COM0 to COM9 and LPT0 to LPT9, and with a superscript 1, 2 or 3.
  if (base.size() != 4) return false;
  const char16_t digit = base[3];
  if (!(digit >= u'0' && digit <= u'9') && digit != u'\u00B9' && digit != u'\u00B2' && digit != u'\u00B3') {
    return false;
  }
  return SameAsciiName(base.substr(0, 3), u"COM") || SameAsciiName(base.substr(0, 3), u"LPT");
}

// Empty when a Windows folder can hold `name` as one entry; `what` names it in
// the reason ("file name", "folder name").
std::string WindowsNameProblem(std::u16string_view name, const char* what) {
  const std::string quoted = std::string(what) + " \"" + ToUtf8(name) + "\"";
  if (name.empty()) return std::string("the ") + what + " is empty";
  if (IsDotComponent(name)) return "the " + quoted + " names a folder";
  for (const char16_t c : name) {
    if (c == u'\\' || c == u'/' || c == u':') return "the " + quoted + " is not a single path component";
    if (c < 0x20) return "the " + quoted + " holds a control character, which Windows does not allow";
    if (std::u16string_view(u"<>\"|?*").find(c) != std::u16string_view::npos) {
      return "the " + quoted + " holds one of <>\"|?*, which Windows does not allow";
    }
  }
  if (name.back() == u'.' || name.back() == u' ') {
    return "the " + quoted + " ends in a dot or a blank, which Windows does not allow";
  }
  if (IsDeviceName(name)) return "the " + quoted + " is a Windows device name";
  if (name.size() > kMaxNameUnits) {
    return std::string("the ") + what + " is longer than " + std::to_string(kMaxNameUnits) +
           " characters, the most a Windows name holds";
  }
  if (HasUnpairedSurrogate(name)) {
    return std::string("the ") + what + " holds an unpaired surrogate, which no file system here can name";
  }
  return {};
}

// Every job removes such files as what a killed job left behind; written here, a
// favorite would be gone after the next one. Our backups never store them.
std::string TempNameProblem(std::u16string_view name) {
  if (!IsTempFileName(name)) return {};
  return "the file name \"" + ToUtf8(name) +
         "\" is the form of Quorvel's own temporary files, which the next job would remove";
}

// WindowsNameProblem, then whether this system holds the name: told before anything
// is made, so that a dry run finds it as a restore does, not at the rename.
std::string NameProblemHere(std::u16string_view name, const char* what) {
  if (std::string problem = WindowsNameProblem(name, what); !problem.empty()) return problem;
  if (!Os().CanHoldName(name)) return std::string("the ") + what + " cannot be held here: " + Os().LastErrorText();
  return {};
}

// Empty when `path` lies inside `favoritesFolder`; otherwise why: outside, or
// impossible to resolve (with the platform's reason).
std::string WithinProblem(std::u16string_view path, std::u16string_view favoritesFolder,
                          const char* what) {
  bool unresolved = false;
  if (Os().IsPathWithin(path, favoritesFolder, &unresolved)) return {};
  const std::string quoted = std::string(what) + " \"" + ShownPath(path) + "\"";
  if (unresolved) return "the " + quoted + " cannot be checked: " + Os().LastErrorText();
  return "the " + quoted + " lies outside the Favorites folder \"" + ShownPath(favoritesFolder) + "\"";
}

}  // namespace

std::string FileNameProblem(std::u16string_view name) {
  if (std::string problem = TempNameProblem(name); !problem.empty()) return problem;
  return WindowsNameProblem(name, "file name");
}

std::string FileNameProblemHere(std::u16string_view name) {
  if (std::string problem = TempNameProblem(name); !problem.empty()) return problem;
  return NameProblemHere(name, "file name");
}

std::string FavoritesFolderTarget(std::u16string_view storedFolder,
                                  std::u16string_view favoritesFolder, std::u16string* folder) {
  while (storedFolder.size() > 1 && storedFolder.back() == u'\\') storedFolder.remove_suffix(1);
  if (storedFolder.empty()) return "the folder is empty";
  const bool inStoredFavorites =
      storedFolder.size() >= kStoredFavorites.size() &&
      SameAsciiName(storedFolder.substr(0, kStoredFavorites.size()), kStoredFavorites) &&
      (storedFolder.size() == kStoredFavorites.size() || storedFolder[kStoredFavorites.size()] == u'\\');
  std::u16string target;
  if (inStoredFavorites) {
    // Whatever case another tool wrote, the profile's own Favorites folder is meant.
    target = favoritesFolder;
    const std::u16string_view below = storedFolder.substr(kStoredFavorites.size());
    if (!below.empty()) {
      for (std::u16string_view part : SplitComponents(below.substr(1))) {
        // "." and ".." are resolved, and checked, below.
        if (std::string problem = IsDotComponent(part) ? std::string() : NameProblemHere(part, "folder name");
            !problem.empty()) {
          return problem;
        }
        target += u'\\';
        target += part;
      }
    }
  } else {
    // Any other form (a native path, say) is taken as written, and every name on
    // it must still be one Windows can hold; the drive ("Z:") stays as it is.
    target = Os().ExpandEnvironmentStringsW(storedFolder);
    const std::vector<std::u16string_view> parts = SplitComponents(target);
    for (std::size_t i = 1; i < parts.size(); ++i) {
      if (IsDotComponent(parts[i])) continue;  // resolved, and checked, below
      if (std::string problem = NameProblemHere(parts[i], "folder name"); !problem.empty()) return problem;
    }
  }
  // Checked before anything is created: creating the folders would otherwise make
  // those a hostile archive names outside Favorites.
  if (std::string problem = WithinProblem(target, favoritesFolder, "folder"); !problem.empty()) return problem;
  *folder = std::move(target);
  return {};
}

std::string FileTargetProblem(std::u16string_view path, std::u16string_view favoritesFolder) {
  bool unresolved = false;
  if (Os().IsPathWithin(path, favoritesFolder, &unresolved)) return {};
  if (unresolved) return "the file \"" + ShownPath(path) + "\" cannot be checked: " + Os().LastErrorText();
  // The folder was inside, so only a link at the name itself can lead out.
  return "the file is a link that leads outside the Favorites folder";
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
  for (std::size_t i = 0; inside && i < required.size(); ++i) inside = SameAsciiName(parts[i], required[i]);
  if (!inside) {
    return "the key \"" + ToUtf8(subkey) + "\" is not below HKEY_CURRENT_USER\\" + ToUtf8(kSettingsKey);
  }
  return {};
}

}  // namespace qv
