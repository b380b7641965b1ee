// The live registry: HKEY_CURRENT_USER (or, for a test, a key below it that stands
// in for it) and the per-user classes below it, behind key handles of our own.
// Every value is applied as it is set; nothing waits for a commit.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/files/handle_table.h"

namespace qv {

class LiveRegistry {
 public:
  // `rootSubkey` empty: HKEY_CURRENT_USER itself. Otherwise that key below it,
  // made when missing, plays HKEY_CURRENT_USER, so that nothing outside it is read
  // or written.
  explicit LiveRegistry(const std::u16string& rootSubkey);
  ~LiveRegistry();
  LiveRegistry(const LiveRegistry&) = delete;
  LiveRegistry& operator=(const LiveRegistry&) = delete;

  RegResult OpenKey(RegKey root, std::u16string_view subkey, std::uint32_t access, RegKey* opened);
  RegResult CreateKey(RegKey key, std::u16string_view subkey, std::uint32_t access, RegKey* opened);
  RegResult EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameCapacity, std::u16string* name);
  RegResult EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameCapacity, std::u16string* name);
  RegResult QueryValue(RegKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size);
  RegResult SetValue(RegKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size);
  RegResult CheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName, std::uint32_t type,
                       std::uint32_t size, bool* atKey);
  RegResult CloseKey(RegKey key);
  // Makes what was set below `root` durable (RegFlushKey).
  Status Flush(RegKey root);
  // Whether keys and values can be made below HKEY_CURRENT_USER; looks only.
  bool CanWrite();
  // Whether `root` is one this registry serves.
  bool IsRoot(RegKey root) const { return root == kHkeyCurrentUser || root == kHkeyClassesRoot; }

 private:
  struct OpenKeyEntry {
    void* hKey;             // a Windows HKEY
    std::u16string strPath;  // as messages name it
  };
  // The Windows key behind `key` and its name; null for a handle that is none.
  void* Resolve(RegKey key, std::u16string* path);
  RegResult Opened(void* hKey, std::u16string path, RegKey* opened);

  void* m_hCurrentUser = nullptr;
  bool m_bOwnRoot = false;  // m_hCurrentUser was opened here and is closed here
  std::mutex m_classesMutex;
  void* m_hClassesRoot = nullptr;
  HandleTable<OpenKeyEntry> m_keys;
};

}  // namespace qv
