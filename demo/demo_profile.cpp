#include "demo/demo_profile.h"

#include <set>
#include <string>
#include <vector>

#include "demo/profile_writing.h"
#include "platform/win_types.h"

namespace qv::demo {
namespace {

constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";

struct DemoFavorite {
  const char* szPath;  // below Favorites/
  const char* szUrl;
};

// Favorites are Internet shortcuts as Windows writes them, with CR LF.
constexpr DemoFavorite kFavorites[] = {
    {"Example.url", "https://www.example.org/"},
    {"Links/Weather.url", "https://weather.example.org/today"},
    {"Links/News.url", "https://news.example.org/"},
    {"Travel/Trains.url", "https://trains.example.net/timetable?from=home&to=work"},
    {"Travel/Maps/City map.url", "https://maps.example.net/city"},
};

std::string InternetShortcut(const char* url) {
  return std::string("[InternetShortcut]\r\nURL=") + url + "\r\n";
}

// A window's place and size, as the window stores it: fixed-size binary data.
std::string WindowPlacement() {
  std::string bytes;
  for (const std::uint32_t field : {44u, 0u, 1u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                                    96u, 64u, 1120u, 840u}) {
    bytes += RegDwordBytes(field);
  }
  return bytes;
}

std::vector<SettingValue> DemoSettings() {
  const std::u16string ie = u"Software\\Microsoft\\Internet Explorer";
  return {
      {kMain, u"Start Page", kRegSz, RegSzBytes(u"https://www.example.org/")},
      {kMain, u"Secondary Start Pages", kRegMultiSz,
       RegMultiSzBytes({u"https://news.example.org/", u"https://weather.example.org/today"})},
      {kMain, u"Window_Placement", kRegBinary, WindowPlacement()},
      {kMain, u"Show_StatusBar", kRegSz, RegSzBytes(u"yes")},
      {kMain, u"Use FormSuggest", kRegSz, RegSzBytes(u"no")},
      {ie + u"\\Download", u"Default Download Directory", kRegExpandSz,
       RegSzBytes(u"%USERPROFILE%\\Downloads")},
      {ie + u"\\Zoom", u"ZoomFactor", kRegDword, RegDwordBytes(100000)},
      {ie + u"\\TypedURLs", u"url1", kRegSz, RegSzBytes(u"https://news.example.org/")},
      {ie + u"\\TypedURLs", u"url2", kRegSz, RegSzBytes(u"https://www.example.org/")},
      {ie + u"\\TypedURLsTime", u"url1", kRegBinary, RegQwordBytes(0x01DB4A2F5C3E8000ull)},
      {ie + u"\\Recovery", u"LastSessionEnd", kRegQword, RegQwordBytes(0x01DB4A2F5C3E8000ull)},
  };
}

}  // namespace

Status MakeDemoProfile(Platform& os, const std::filesystem::path& profileDir, DemoProfileSummary* summary) {
  std::set<std::string> folders;
  for (const DemoFavorite& favorite : kFavorites) {
    if (Status written = WriteFavorite(profileDir, favorite.szPath, InternetShortcut(favorite.szUrl)); !written) {
      return written;
    }
    const std::string folder = std::filesystem::path(favorite.szPath).parent_path().string();
    if (!folder.empty()) folders.insert(folder);
  }
  const std::vector<SettingValue> settings = DemoSettings();
  if (Status set = SetValues(os, settings); !set) return set;
  if (summary) *summary = {std::size(kFavorites), folders.size(), settings.size()};
  return Status::Ok();
}

}  // namespace qv::demo
