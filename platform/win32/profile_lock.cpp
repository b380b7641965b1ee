#include "platform/win32/profile_lock.h"

#include <windows.h>

#include <future>
#include <thread>
#include <vector>

#include "platform/shared/last_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

// A mutex name holds no backslash and is bounded: the folder's name, upper-cased
// as Windows compares it, is hashed.
std::wstring MutexName(const std::u16string& key) {
  std::wstring upper = Wide(key);
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (const wchar_t unit : upper) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001b3u;
  }
  wchar_t text[17];
  for (int i = 15; i >= 0; --i) {
    text[i] = L"0123456789abcdef"[hash & 15];
    hash >>= 4;
  }
  text[16] = 0;
  // Local\: one per logon session, where a user's jobs run.
  return L"Local\\Quorvel.Profile." + std::wstring(text);
}

}  // namespace

struct ProfileLocks::Holder {
  HANDLE hRelease = nullptr;  // set when the lock is to go
  std::thread thread;

  ~Holder() {
    if (hRelease != nullptr) SetEvent(hRelease);
    if (thread.joinable()) thread.join();
    if (hRelease != nullptr) CloseHandle(hRelease);
  }
};

ProfileLocks::~ProfileLocks() { m_locks.TakeAll(); }

std::int64_t ProfileLocks::Lock(const std::u16string& key, std::chrono::milliseconds wait, Result* result) {
  auto holder = std::make_shared<Holder>();
  if (key.empty()) {
    *result = Result::kLocked;
    return m_locks.Add(holder);
  }
  holder->hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (holder->hRelease == nullptr) {
    SetLastErrorFromWindows("cannot lock the profile", "", GetLastError());
    *result = Result::kFailed;
    return -1;
  }
  std::promise<DWORD> taken;
  std::future<DWORD> outcome = taken.get_future();
  const std::wstring name = MutexName(key);
  const DWORD waitMs = static_cast<DWORD>(std::min<std::int64_t>(wait.count(), INFINITE - 1));
  const HANDLE release = holder->hRelease;
  holder->thread = std::thread([name, waitMs, release, taken = std::move(taken)]() mutable {
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
      taken.set_value(GetLastError());
      return;
    }
    const DWORD waited = WaitForSingleObject(mutex, waitMs);
    // WAIT_ABANDONED: the holder ended without letting go, killed in the middle of
    // a job; what it left is cleared by the job that takes the lock now.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      taken.set_value(ERROR_SUCCESS);
      WaitForSingleObject(release, INFINITE);
      ReleaseMutex(mutex);
    } else {
      taken.set_value(waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError());
    }
    CloseHandle(mutex);
  });
  const DWORD error = outcome.get();
  if (error == ERROR_SUCCESS) {
    *result = Result::kLocked;
    return m_locks.Add(holder);
  }
  *result = error == ERROR_TIMEOUT ? Result::kBusy : Result::kFailed;
  if (error != ERROR_TIMEOUT) SetLastErrorFromWindows("cannot lock the profile", "", error);
  return -1;  // the holder's thread has ended; destroying it joins it
}

bool ProfileLocks::Unlock(std::int64_t handle) {
  std::optional<std::shared_ptr<Holder>> holder = m_locks.Take(handle);
  if (!holder) {
    SetLastErrorText("the profile lock " + std::to_string(handle) + " is not held");
    return false;
  }
  return true;  // the holder lets go as it goes
}

}  // namespace qv
