// What every Platform promises, held against each implementation: the tests here
// see a platform only through Platform& and a harness, so a new implementation
// inherits all of them by adding its harness to platforms_under_test.cpp.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "platform/platform.h"

namespace qv::test {

// One platform under test, on a fresh, empty scratch folder. Native() lets a test
// set up and inspect files without the platform, so a platform fault cannot hide
// behind the same fault on the way back.
class PlatformHarness {
 public:
  virtual ~PlatformHarness() = default;

  virtual Platform& os() = 0;
  // Ends the platform as a program's exit does, with whatever it still holds open.
  virtual void ResetPlatform() = 0;

  // A path below the scratch folder ("" for the folder itself), in Windows form
  // and as this process names it natively. `relative` separates with '/'.
  virtual std::u16string Win(const std::string& relative) const = 0;
  virtual std::filesystem::path Native(const std::string& relative) const = 0;

  // The profile folder the platform serves, in Windows form.
  virtual std::u16string ProfileFolder() const = 0;
  // A subkey of HKEY_CURRENT_USER that is missing at the start and is removed at
  // the end: a live registry is the user's own.
  virtual std::u16string ScratchKey() const = 0;
};

// A platform as a test parameter: its name, which the test names end with, and a
// fresh harness for each test.
struct PlatformUnderTest {
  const char* szName;
  std::unique_ptr<PlatformHarness> (*pMakeHarness)();
};

inline void PrintTo(const PlatformUnderTest& platform, std::ostream* out) {
  *out << platform.szName;
}

// Every contract test is a TEST_P of this one fixture, so that one instantiation
// per platform (platforms_under_test.cpp) runs them all.
class PlatformContract : public ::testing::TestWithParam<PlatformUnderTest> {
 protected:
  PlatformContract() : m_pHarness(GetParam().pMakeHarness()) {}

  PlatformHarness& harness() { return *m_pHarness; }
  Platform& os() { return m_pHarness->os(); }
  std::u16string Win(const std::string& relative) const { return m_pHarness->Win(relative); }
  std::filesystem::path Native(const std::string& relative) const {
    return m_pHarness->Native(relative);
  }

 private:
  std::unique_ptr<PlatformHarness> m_pHarness;
};

}  // namespace qv::test
