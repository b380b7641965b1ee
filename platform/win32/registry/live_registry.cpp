#include "platform/win32/registry/live_registry.h"

#include <windows.h>

#include <vector>

#include "platform/shared/last_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

constexpr char16_t kCurrentUserName[] = u"HKEY_CURRENT_USER";
constexpr char16_t kClassesSubkey[] = u"Software\\Classes";
// Windows' own limits: a key name's component, and a value name.
constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;

HKEY AsKey(void* key) { return static_cast<HKEY>(key); }

std::u16string Below(const std::u16string& path, std::u16string_view subkey) {
  if (subkey.empty()) return path;
  return path + u"\\" + std::u16string(subkey);
}

RegResult Failed(RegResult result, const std::string& what, const std::u16string& path) {
  SetLastErrorFromWindows(what, ToUtf8(path), static_cast<unsigned long>(result));
  return result;
}

bool NameComponentsFit(std::u16string_view subkey) {
  std::size_t start = 0;
  while (start <= subkey.size()) {
    std::size_t end = subkey.find(u'\\', start);
    if (end == std::u16string_view::npos) end = subkey.size();
    if (end - start > kMaxKeyNameUnits) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

LiveRegistry::LiveRegistry(const std::u16string& rootSubkey) : m_keys(1) {
  if (rootSubkey.empty()) {
    m_hCurrentUser = HKEY_CURRENT_USER;
    return;
  }
  HKEY root = nullptr;
  const LONG made = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(rootSubkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &root, nullptr);
  // Without its stand-in nothing may reach the user's own keys: every call then
  // fails as for a handle that is none.
  if (made == ERROR_SUCCESS) {
    m_hCurrentUser = root;
    m_bOwnRoot = true;
  }
}

LiveRegistry::~LiveRegistry() {
  for (auto& [value, key] : m_keys.TakeAll()) RegCloseKey(AsKey(key.hKey));
  if (m_hClassesRoot != nullptr) RegCloseKey(AsKey(m_hClassesRoot));
  if (m_bOwnRoot) RegCloseKey(AsKey(m_hCurrentUser));
}

void* LiveRegistry::Resolve(RegKey key, std::u16string* path) {
  if (key == kHkeyCurrentUser) {
    if (path) *path = kCurrentUserName;
    return m_hCurrentUser;
  }
  if (key == kHkeyClassesRoot) {
    if (path) *path = u"HKEY_CLASSES_ROOT";
    const std::lock_guard<std::mutex> lock(m_classesMutex);
    // The program's own association goes to the user's classes, which Windows
    // merges into HKEY_CLASSES_ROOT.
    if (m_hClassesRoot == nullptr && m_hCurrentUser != nullptr) {
      HKEY classes = nullptr;
      if (RegCreateKeyExW(AsKey(m_hCurrentUser), Wide(kClassesSubkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &classes, nullptr) == ERROR_SUCCESS) {
        m_hClassesRoot = classes;
      }
    }
    return m_hClassesRoot;
  }
  if (key == 0 || key >= 0x80000000u) return nullptr;
  OpenKeyEntry* entry = m_keys.Find(static_cast<std::int64_t>(key));
  if (entry == nullptr) return nullptr;
  if (path) *path = entry->strPath;
  return entry->hKey;
}

RegResult LiveRegistry::Opened(void* hKey, std::u16string path, RegKey* opened) {
  *opened = static_cast<RegKey>(m_keys.Add({hKey, std::move(path)}));
  return kErrorSuccess;
}

RegResult LiveRegistry::OpenKey(RegKey root, std::u16string_view subkey, std::uint32_t access, RegKey* opened) {
  std::u16string path;
  void* base = Resolve(root, &path);
  if (base == nullptr) return Failed(kErrorInvalidHandle, "cannot open a key below the handle", u"");
  path = Below(path, subkey);
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(AsKey(base), Wide(subkey).c_str(), 0, access, &key);
  if (result != ERROR_SUCCESS) return Failed(result, "cannot open the key", path);
  return Opened(key, std::move(path), opened);
}

RegResult LiveRegistry::CreateKey(RegKey keyBelow, std::u16string_view subkey, std::uint32_t access,
                                  RegKey* opened) {
  std::u16string path;
  void* base = Resolve(keyBelow, &path);
  if (base == nullptr) return Failed(kErrorInvalidHandle, "cannot create a key below the handle", u"");
  path = Below(path, subkey);
  HKEY key = nullptr;
  const LONG result = RegCreateKeyExW(AsKey(base), Wide(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                      nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return Failed(result, "cannot create the key", path);
  return Opened(key, std::move(path), opened);
}

RegResult LiveRegistry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                                std::u16string* name) {
  std::u16string path;
  void* handle = Resolve(key, &path);
  if (handle == nullptr) return Failed(kErrorInvalidHandle, "cannot list the subkeys of the handle", u"");
  std::vector<wchar_t> buffer(nameCapacity + 1);
  DWORD length = nameCapacity;
  const LONG result = RegEnumKeyExW(AsKey(handle), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    *name = FromWide(std::wstring_view(buffer.data(), length));
  } else if (result != ERROR_NO_MORE_ITEMS && result != ERROR_MORE_DATA) {
    return Failed(result, "cannot list the subkeys of", path);
  }
  return result;
}

RegResult LiveRegistry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                                  std::u16string* name) {
  std::u16string path;
  void* handle = Resolve(key, &path);
  if (handle == nullptr) return Failed(kErrorInvalidHandle, "cannot list the values of the handle", u"");
  std::vector<wchar_t> buffer(nameCapacity + 1);
  DWORD length = nameCapacity;
  const LONG result = RegEnumValueW(AsKey(handle), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    *name = FromWide(std::wstring_view(buffer.data(), length));
  } else if (result != ERROR_NO_MORE_ITEMS && result != ERROR_MORE_DATA) {
    return Failed(result, "cannot list the values of", path);
  }
  return result;
}

RegResult LiveRegistry::QueryValue(RegKey key, std::u16string_view valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* size) {
  std::u16string path;
  void* handle = Resolve(key, &path);
  if (handle == nullptr) return Failed(kErrorInvalidHandle, "cannot read a value of the handle", u"");
  DWORD foundType = 0;
  DWORD length = *size;
  const LONG result = RegQueryValueExW(AsKey(handle), Wide(valueName).c_str(), nullptr, &foundType, data, &length);
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    *size = length;
    if (type) *type = foundType;
  }
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
    return Failed(result, "cannot read the value", Below(path, valueName.empty() ? u"(default)" : valueName));
  }
  return result;
}

RegResult LiveRegistry::SetValue(RegKey key, std::u16string_view valueName, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) {
  std::u16string path;
  void* handle = Resolve(key, &path);
  if (handle == nullptr) return Failed(kErrorInvalidHandle, "cannot set a value of the handle", u"");
  const std::u16string shown = Below(path, valueName.empty() ? u"(default)" : valueName);
  if (valueName.size() > kMaxValueNameUnits) return Failed(kErrorInvalidParameter, "cannot set the value", shown);
  // RegSetValueExW stores one character more than it is given for a string whose
  // last character is not NUL when the two bytes after the data happen to be
  // zero. A value must come back as the archive holds it, so the data goes in a
  // copy whose bytes after the end are not.
  std::vector<std::uint8_t> guarded;
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && data != nullptr && size > 0) {
    guarded.assign(data, data + size);
    guarded.push_back(0xFF);
    guarded.push_back(0xFF);
    data = guarded.data();
  }
  const LONG result = RegSetValueExW(AsKey(handle), Wide(valueName).c_str(), 0, type, data, size);
  if (result != ERROR_SUCCESS) return Failed(result, "cannot set the value", shown);
  return kErrorSuccess;
}

RegResult LiveRegistry::CheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName,
                                   std::uint32_t /*type*/, std::uint32_t /*size*/, bool* atKey) {
  // The live registry takes any type and any size a value can have, as setting it
  // would: only names and rights decide.
  if (atKey) *atKey = true;
  std::u16string rootPath;
  void* base = Resolve(key, &rootPath);
  if (base == nullptr) return Failed(kErrorInvalidHandle, "cannot check a value below the handle", u"");
  const std::u16string path = Below(rootPath, subkey);
  if (!NameComponentsFit(subkey)) {
    SetLastErrorText("cannot create the key " + ToUtf8(path) + ": a name in it is longer than " +
                     std::to_string(kMaxKeyNameUnits) + " characters");
    return kErrorInvalidParameter;
  }
  // The key where it is, or else the nearest one on its way, in which it would be made.
  std::u16string existing(subkey);
  REGSAM access = KEY_SET_VALUE;
  for (;;) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(AsKey(base), Wide(existing).c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) {
      RegCloseKey(opened);
      break;
    }
    if (result != ERROR_FILE_NOT_FOUND || existing.empty()) {
      return Failed(result, access == KEY_SET_VALUE ? "cannot set values in the key" : "cannot create keys in",
                    Below(rootPath, existing));
    }
    const std::size_t separator = existing.find_last_of(u'\\');
    existing.resize(separator == std::u16string::npos ? 0 : separator);
    access = KEY_CREATE_SUB_KEY;
  }
  if (atKey) *atKey = false;
  if (valueName.size() > kMaxValueNameUnits) {
    SetLastErrorText("cannot set the value " + ToUtf8(Below(path, valueName)) + ": its name is longer than " +
                     std::to_string(kMaxValueNameUnits) + " characters");
    return kErrorInvalidParameter;
  }
  return kErrorSuccess;
}

RegResult LiveRegistry::CloseKey(RegKey key) {
  if (IsRoot(key)) return kErrorSuccess;  // the roots stay usable, as Windows' own do
  if (key == 0 || key >= 0x80000000u) return Failed(kErrorInvalidHandle, "cannot close the key handle", u"");
  std::optional<OpenKeyEntry> entry = m_keys.Take(static_cast<std::int64_t>(key));
  if (!entry) return Failed(kErrorInvalidHandle, "cannot close the key handle", u"");
  const LONG result = RegCloseKey(AsKey(entry->hKey));
  if (result != ERROR_SUCCESS) return Failed(result, "cannot close the key", entry->strPath);
  return kErrorSuccess;
}

Status LiveRegistry::Flush(RegKey root) {
  std::u16string path;
  void* handle = Resolve(root, &path);
  if (handle == nullptr) return Status::Error("the registry root " + std::to_string(root) + " is not open");
  const LONG result = RegFlushKey(AsKey(handle));
  if (result != ERROR_SUCCESS) {
    return Status::Error("the settings are set, but could not be flushed to disk: " + WindowsErrorText(result));
  }
  return Status::Ok();
}

bool LiveRegistry::CanWrite() {
  if (m_hCurrentUser == nullptr) {
    SetLastErrorText("the settings of HKEY_CURRENT_USER cannot be written: its key could not be opened");
    return false;
  }
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(AsKey(m_hCurrentUser), L"", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key);
  if (result != ERROR_SUCCESS) {
    SetLastErrorText("the settings of HKEY_CURRENT_USER cannot be written: " + WindowsErrorText(result));
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace qv
