// A folder listing gathered whole, for the listing tests of the contract and of
// each platform.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace qv::test {

// Every entry of one listing, in order, as name -> bDirectory pairs.
inline std::vector<std::pair<std::u16string, bool>> ListAll(Platform& os, const std::u16string& search) {
  std::vector<std::pair<std::u16string, bool>> entries;
  FindData found;
  const FindHandle find = os.FindFirstFileW(search, &found);
  if (find == kInvalidHandle) return entries;
  do {
    entries.emplace_back(found.strName, found.bDirectory);
  } while (os.FindNextFileW(find, &found));
  EXPECT_TRUE(os.FindClose(find));
  return entries;
}

inline std::map<std::u16string, bool> AsMap(const std::vector<std::pair<std::u16string, bool>>& list) {
  return {list.begin(), list.end()};
}

}  // namespace qv::test
