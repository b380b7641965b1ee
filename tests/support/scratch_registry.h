// Windows only: a key of the test's own below HKEY_CURRENT_USER, which the Win32
// platform's options make play HKEY_CURRENT_USER, removed with all below it at the
// end. A test never touches the user's own settings, and tests running at once
// share nothing.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/text/text.h"

namespace qv::test {

class ScratchRegistryRoot {
 public:
  ScratchRegistryRoot() {
    // Wine gives a new process the number of one that ended, perhaps without
    // removing its key: the name takes a random part too, and starts empty.
    static std::atomic<int> counter{0};
    m_strKey = u"Software\\Quorvel tests\\" +
               FromUtf8(std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
                        std::to_string(counter.fetch_add(1)));
    Remove();
  }
  ~ScratchRegistryRoot() { Remove(); }
  ScratchRegistryRoot(const ScratchRegistryRoot&) = delete;
  ScratchRegistryRoot& operator=(const ScratchRegistryRoot&) = delete;

  const std::u16string& Key() const { return m_strKey; }

 private:
  void Remove() const {
    const std::wstring key(m_strKey.begin(), m_strKey.end());
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  }

  std::u16string m_strKey;
};

}  // namespace qv::test
