// Owners of the handles Platform hands out: a file, a folder listing, an open key.
// Each closes its handle through the platform that opened it when the owner goes
// out of scope. Where a failed close can lose data (a file that was written),
// call Close() and look at its result; the destructor has nobody to tell.
#pragma once

#include <utility>

#include "platform/platform.h"

namespace qv {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : m_pOs(&Os()), m_hHandle(handle) {}
  ~UniqueHandle() { (void)Close(); }  // see above: Close() where the result counts
  UniqueHandle(UniqueHandle&& other) noexcept
      : m_pOs(other.m_pOs), m_hHandle(std::exchange(other.m_hHandle, Traits::kInvalid)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      (void)Close();
      m_pOs = other.m_pOs;
      m_hHandle = std::exchange(other.m_hHandle, Traits::kInvalid);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return m_hHandle; }
  bool Valid() const { return m_hHandle != Traits::kInvalid; }
  // Closes the handle now. False when the close failed or nothing was open.
  [[nodiscard]] bool Close() {
    if (!Valid()) return false;
    return Traits::Close(*m_pOs, std::exchange(m_hHandle, Traits::kInvalid));
  }

 private:
  Platform* m_pOs = nullptr;
  Handle m_hHandle = Traits::kInvalid;
};

struct FileHandleTraits {
  using Handle = FileHandle;
  static constexpr Handle kInvalid = kInvalidHandle;
  static bool Close(Platform& os, Handle handle) { return os.CloseHandle(handle); }
};

struct FindHandleTraits {
  using Handle = FindHandle;
  static constexpr Handle kInvalid = kInvalidHandle;
  static bool Close(Platform& os, Handle handle) { return os.FindClose(handle); }
};

struct RegKeyTraits {
  using Handle = RegKey;
  static constexpr Handle kInvalid = 0;
  static bool Close(Platform& os, Handle handle) { return os.RegCloseKey(handle) == kErrorSuccess; }
};

struct ProfileLockTraits {
  using Handle = ProfileLock;
  static constexpr Handle kInvalid = kInvalidHandle;
  static bool Close(Platform& os, Handle handle) { return os.UnlockProfile(handle); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueProfileLock = UniqueHandle<ProfileLockTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;

}  // namespace qv
