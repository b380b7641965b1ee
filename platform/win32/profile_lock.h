// One job at a time per profile, across processes: a named mutex per Favorites
// folder, held by a thread of its own so that it is released by whichever thread
// unlocks (Windows ties a mutex to the thread that took it) and so that two locks
// in one process exclude each other as two processes do (a mutex taken twice by
// one thread would not).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32/files/handle_table.h"

namespace qv {

class ProfileLocks {
 public:
  enum class Result { kLocked, kBusy, kFailed };

  ProfileLocks() = default;
  ~ProfileLocks();
  ProfileLocks(const ProfileLocks&) = delete;
  ProfileLocks& operator=(const ProfileLocks&) = delete;

  // `key` names what is locked (the Favorites folder, resolved); empty gives a
  // handle that locks nothing. -1 with *result kBusy or kFailed (LastErrorText
  // says why) when not locked.
  std::int64_t Lock(const std::u16string& key, std::chrono::milliseconds wait, Result* result);
  bool Unlock(std::int64_t handle);

 private:
  struct Holder;
  HandleTable<std::shared_ptr<Holder>> m_locks;
};

}  // namespace qv
