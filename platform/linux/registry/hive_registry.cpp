#include "platform/linux/registry/hive_registry.h"

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/registry_handles.h"
#include "platform/linux/registry/root_key_hive.h"
#include "platform/text/text.h"

namespace qv {
namespace {

RegResult Fail(RegResult code, std::string text) {
  SetLastErrorText(std::move(text));
  return code;
}

bool IsPredefinedKey(RegKey key) { return key >= 0x80000000u && key <= 0x80000006u; }

// Windows hands out names by index; a name needs its length plus a terminator.
RegResult NameAt(const std::vector<std::u16string>& names, std::uint32_t index,
                 std::uint32_t nameCapacity, std::u16string* name) {
  if (index >= names.size()) return Fail(kErrorNoMoreItems, "no more items");
  if (names[index].size() + 1 > nameCapacity) {
    return Fail(kErrorMoreData, "a name of " + std::to_string(names[index].size()) +
                                    " characters does not fit a buffer of " +
                                    std::to_string(nameCapacity));
  }
  *name = names[index];
  return kErrorSuccess;
}

}  // namespace

struct HiveRegistry::State {
  State(std::string ntuserPath, std::string classesPath)
      : m_currentUser(std::move(ntuserPath)),
        m_classes(std::move(classesPath)),
        m_handles({kHkeyCurrentUser, kHkeyClassesRoot}) {}

  RootKeyHive* HiveOf(RegKey root) {
    if (root == kHkeyCurrentUser) return &m_currentUser;
    if (root == kHkeyClassesRoot) return &m_classes;
    return nullptr;
  }

  // The open key behind a handle, and its hive; an error code for a bad handle.
  RegResult Resolve(RegKey key, OpenRegKey** open, RootKeyHive** hive) {
    *open = m_handles.Find(key);
    if (*open == nullptr) {
      if (IsPredefinedKey(key)) {
        return Fail(kErrorFileNotFound,
                    "only HKEY_CURRENT_USER and HKEY_CLASSES_ROOT exist on this platform");
      }
      return Fail(kErrorInvalidHandle, "not an open registry key: " + std::to_string(key));
    }
    *hive = HiveOf((*open)->root);
    return kErrorSuccess;
  }

  // Opens `subkey` below `root` through `reach` (find, or create with its parents)
  // and hands out a new handle for it.
  RegResult OpenKey(RegKey root, std::u16string_view subkey,
                    RegResult (RootKeyHive::*reach)(const KeyPath&), RegKey* opened) {
    if (opened == nullptr) return Fail(kErrorInvalidParameter, "no place for the opened key");
    std::lock_guard lock(m_mutex);
    OpenRegKey* base = nullptr;
    RootKeyHive* hive = nullptr;
    RegResult result = Resolve(root, &base, &hive);
    if (result != kErrorSuccess) return result;
    KeyPath path = AppendKeyPath(base->path, subkey);
    result = (hive->*reach)(path);
    if (result != kErrorSuccess) return result;
    const RegKey handle = m_handles.Add(base->root, std::move(path));
    if (handle == 0) return Fail(kErrorNotEnoughMemory, "too many open registry keys");
    *opened = handle;
    return kErrorSuccess;
  }

  // Lists into the key's cached listing unless nothing changed since it was made.
  template <typename ListFunction>
  RegResult Listing(RootKeyHive& hive, const KeyPath& path, KeyListing& listing,
                    ListFunction list) {
    // Listing may refresh the file view, so the generation is read after it.
    if (listing.generation != 0) {
      const RegResult exists = hive.FindKey(path);
      if (exists != kErrorSuccess) return exists;
      if (listing.generation == hive.Generation()) return kErrorSuccess;
    }
    const RegResult listed = (hive.*list)(path, &listing.names);
    listing.generation = listed == kErrorSuccess ? hive.Generation() : 0;
    return listed;
  }

  // The index-th name of the key's subkeys or values, from the key's listing.
  template <typename ListFunction>
  RegResult EnumName(RegKey key, std::uint32_t index, std::uint32_t nameCapacity,
                     std::u16string* name, KeyListing OpenRegKey::*listingOf, ListFunction list) {
    if (name == nullptr) return Fail(kErrorInvalidParameter, "no place for the name");
    std::lock_guard lock(m_mutex);
    OpenRegKey* open = nullptr;
    RootKeyHive* hive = nullptr;
    RegResult result = Resolve(key, &open, &hive);
    if (result != kErrorSuccess) return result;
    KeyListing& listing = open->*listingOf;
    result = Listing(*hive, open->path, listing, list);
    if (result != kErrorSuccess) return result;
    return NameAt(listing.names, index, nameCapacity, name);
  }

  std::mutex m_mutex;
  RootKeyHive m_currentUser;
  RootKeyHive m_classes;
  RegistryHandleTable m_handles;
};

HiveRegistry::HiveRegistry(std::string ntuserPath, std::string classesPath)
    : m_pState(std::make_unique<State>(std::move(ntuserPath), std::move(classesPath))) {}

HiveRegistry::~HiveRegistry() = default;

RegResult HiveRegistry::RegOpenKeyExW(RegKey root, std::u16string_view subkey,
                                      std::uint32_t /*access*/, RegKey* opened) {
  return m_pState->OpenKey(root, subkey, &RootKeyHive::FindKey, opened);
}

RegResult HiveRegistry::RegCreateKeyExW(RegKey root, std::u16string_view subkey,
                                        std::uint32_t /*access*/, RegKey* opened) {
  return m_pState->OpenKey(root, subkey, &RootKeyHive::CreateKey, opened);
}

RegResult HiveRegistry::RegEnumKeyExW(RegKey key, std::uint32_t index,
                                      std::uint32_t nameCapacity, std::u16string* name) {
  return m_pState->EnumName(key, index, nameCapacity, name, &OpenRegKey::subkeys,
                            &RootKeyHive::ListSubkeys);
}

RegResult HiveRegistry::RegEnumValueW(RegKey key, std::uint32_t index,
                                      std::uint32_t nameCapacity, std::u16string* name) {
  return m_pState->EnumName(key, index, nameCapacity, name, &OpenRegKey::values,
                            &RootKeyHive::ListValues);
}

RegResult HiveRegistry::RegQueryValueExW(RegKey key, std::u16string_view valueName,
                                         std::uint32_t* type, std::uint8_t* data,
                                         std::uint32_t* size) {
  if (data != nullptr && size == nullptr) {
    return Fail(kErrorInvalidParameter, "a data buffer needs its size");
  }
  std::lock_guard lock(m_pState->m_mutex);
  OpenRegKey* open = nullptr;
  RootKeyHive* hive = nullptr;
  RegResult result = m_pState->Resolve(key, &open, &hive);
  if (result != kErrorSuccess) return result;
  std::uint32_t storedType = 0;
  std::vector<std::uint8_t> stored;
  result = hive->ReadValue(open->path, valueName, &storedType, &stored);
  if (result != kErrorSuccess) return result;
  if (type != nullptr) *type = storedType;
  if (size == nullptr) return kErrorSuccess;
  const std::uint32_t capacity = *size;
  *size = static_cast<std::uint32_t>(stored.size());
  if (data == nullptr) return kErrorSuccess;
  if (stored.size() > capacity) {
    return Fail(kErrorMoreData, "the value has " + std::to_string(stored.size()) +
                                    " bytes, more than the buffer's " + std::to_string(capacity));
  }
  if (!stored.empty()) std::memcpy(data, stored.data(), stored.size());
  return kErrorSuccess;
}

RegResult HiveRegistry::RegSetValueExW(RegKey key, std::u16string_view valueName,
                                       std::uint32_t type, const std::uint8_t* data,
                                       std::uint32_t size) {
  if (data == nullptr && size != 0) return Fail(kErrorInvalidParameter, "no data for the value");
  std::lock_guard lock(m_pState->m_mutex);
  OpenRegKey* open = nullptr;
  RootKeyHive* hive = nullptr;
  RegResult result = m_pState->Resolve(key, &open, &hive);
  if (result != kErrorSuccess) return result;
  return hive->SetValue(open->path, valueName, type, data, size);
}

RegResult HiveRegistry::RegCheckValue(RegKey key, std::u16string_view subkey, std::u16string_view valueName,
                                      std::uint32_t size, bool* atKey) {
  if (atKey != nullptr) *atKey = false;
  std::lock_guard lock(m_pState->m_mutex);
  OpenRegKey* base = nullptr;
  RootKeyHive* hive = nullptr;
  const RegResult result = m_pState->Resolve(key, &base, &hive);
  if (result != kErrorSuccess) {
    if (atKey != nullptr) *atKey = true;
    return result;
  }
  return hive->CheckValue(AppendKeyPath(base->path, subkey), valueName, size, atKey);
}

RegResult HiveRegistry::RegCloseKey(RegKey key) {
  std::lock_guard lock(m_pState->m_mutex);
  if (!m_pState->m_handles.Remove(key)) {
    return Fail(kErrorInvalidHandle, "not an open registry key: " + std::to_string(key));
  }
  return kErrorSuccess;
}

Status HiveRegistry::RegCheckWritable(RegKey root) {
  std::lock_guard lock(m_pState->m_mutex);
  RootKeyHive* hive = m_pState->HiveOf(root);
  if (hive == nullptr) return Status::Error("no hive behind root key " + std::to_string(root));
  return hive->CheckWritable();
}

Status HiveRegistry::RegCommit(RegKey root) {
  std::lock_guard lock(m_pState->m_mutex);
  RootKeyHive* hive = m_pState->HiveOf(root);
  if (hive == nullptr) return Status::Error("no hive behind root key " + std::to_string(root));
  return hive->Commit();
}

void HiveRegistry::RegDiscard(RegKey root) {
  std::lock_guard lock(m_pState->m_mutex);
  if (RootKeyHive* hive = m_pState->HiveOf(root)) hive->Discard();
}

void HiveRegistry::SetBeforeReplaceHook(BeforeReplaceHook hook) {
  std::lock_guard lock(m_pState->m_mutex);
  m_pState->m_currentUser.SetBeforeReplace(hook);
  m_pState->m_classes.SetBeforeReplace(std::move(hook));
}

void HiveRegistry::SetLockBusyHook(std::function<void()> hook) {
  std::lock_guard lock(m_pState->m_mutex);
  m_pState->m_currentUser.SetOnLockBusy(hook);
  m_pState->m_classes.SetOnLockBusy(std::move(hook));
}

void HiveRegistry::SetPendingLimit(std::size_t bytes) {
  std::lock_guard lock(m_pState->m_mutex);
  m_pState->m_currentUser.SetPendingLimit(bytes);
  m_pState->m_classes.SetPendingLimit(bytes);
}

}  // namespace qv
