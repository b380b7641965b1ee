// platform/linux/registry/ owns the registry: the two root keys, open-key handles, key paths
// and pending writes; hive/ reads hive files, commit/ writes them.
//
// The registry of the Linux platform: HKEY_CURRENT_USER and HKEY_CLASSES_ROOT, each
// backed by a real Windows hive file read and written with libhivex.
//
// Writes are buffered in memory and reach the file only at RegCommit, in one
// rewrite through a temporary file and a rename: libhivex copies every value of a
// key on each value it sets, so setting values one by one grows the hive without
// bound, and a crash mid-restore must leave the previous hive intact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/win_types.h"

namespace qv {

class HiveRegistry {
 public:
  // ntuserPath backs kHkeyCurrentUser, classesPath backs kHkeyClassesRoot (native paths).
  HiveRegistry(std::string ntuserPath, std::string classesPath);
  ~HiveRegistry();
  HiveRegistry(const HiveRegistry&) = delete;
  HiveRegistry& operator=(const HiveRegistry&) = delete;

  // Same signatures and contract as the Platform methods of the same names.
  RegResult RegOpenKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                          RegKey* opened);
  RegResult RegEnumKeyExW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name);
  RegResult RegEnumValueW(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                          std::u16string* name);
  RegResult RegQueryValueExW(RegKey key, std::u16string_view valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size);
  RegResult RegCreateKeyExW(RegKey root, std::u16string_view subkey, std::uint32_t access,
                            RegKey* opened);
  RegResult RegSetValueExW(RegKey key, std::u16string_view valueName, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size);
  // What RegCreateKeyExW of `subkey` below `key` (or opening it) and RegSetValueExW
  // of a value of `size` bytes would answer, as RegistryWrites::RegCheckValue says;
  // what it accepts counts toward the pending bound until the next commit or discard.
  RegResult RegCheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName,
                          std::uint32_t size, bool* atKey);
  RegResult RegCloseKey(RegKey key);
  // Whether the hive behind `root` can take writes (it is not dirty, its format is
  // one we write). A missing hive is writable: the first commit creates it.
  Status RegCheckWritable(RegKey root);
  // Writes the pending changes of the hive behind `root` to its file: one rewrite,
  // through a temporary file and a rename. Nothing pending: nothing written.
  Status RegCommit(RegKey root);
  // Forgets the pending changes of the hive behind `root`.
  void RegDiscard(RegKey root);

  // Testing seam: called with the temporary file's path after it is written and
  // synced, before it replaces the hive. A failing Status aborts the commit there.
  using BeforeReplaceHook = std::function<Status(const std::string& tempPath)>;
  void SetBeforeReplaceHook(BeforeReplaceHook hook);
  // Testing seam: called once when a commit finds another commit of the same hive
  // under way and starts to wait for it.
  void SetLockBusyHook(std::function<void()> hook);
  // Testing seam: how many pending bytes a hive collects before further writes are
  // refused (16 MiB unless set).
  void SetPendingLimit(std::size_t bytes);

 private:
  struct State;
  std::unique_ptr<State> m_pState;
};

}  // namespace qv
