// What the settings of one restore share: the values it set, or in a dry run would
// set. An archive holds a key's unnamed value twice (once for the key, once among
// its values), and a hostile one may hold any value twice; the second replaces the
// first. A restore sees the first through the registry's reads, a dry run cannot,
// so both ask here and tell the second as replacing alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/win_types.h"

namespace qv {

class RegRestoreContext {
 public:
  void NoteSet(RegKey root, std::u16string_view subkey, std::u16string_view name);
  bool WasSet(RegKey root, std::u16string_view subkey, std::u16string_view name) const;

 private:
  // Key paths and value names match without regard to case, as in the registry.
  static std::u16string Folded(RegKey root, std::u16string_view subkey, std::u16string_view name);

  // A hash of each, as the favorites' claims keep theirs: a restore may hold any
  // number of values with the longest names.
  std::unordered_set<std::uint64_t> m_values;
};

}  // namespace qv
