// One key or value of the Internet Explorer settings tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/writer/backup_item_walk.h"
#include "store/records.h"
#include "store/writer/store_report.h"

namespace qv {

struct RegNode {
  std::uint32_t root = 0;  // predefined root key (HKEY_CURRENT_USER)
  TextField subkey{};      // key node: the key; value node: the key holding the value
  TextField valueName{};   // value node: its name ("" for the unnamed value); key node: empty
  bool isKey = false;

  // Appends the key's subkeys, then its values, in the platform's order. Names that
  // would not fit the archive's 259-unit fields are left out and recorded in
  // `skipped`, as is a listing that stopped early. False for a value node or a key
  // that cannot be opened.
  bool ListChildren(NodeList<RegNode>& children, std::vector<SkippedSource>& skipped) const;

  RegItem ToItem() const { return RegItem{root, 0, subkey, valueName}; }
  // A value's size is known only by reading it.
  std::optional<std::uint64_t> SizeHint() const { return std::nullopt; }
  std::u16string FullPath() const;
  std::string Describe() const {
    return Describe(root, TextFieldValue(subkey), TextFieldValue(valueName), !isKey);
  }

  // The registry path shown to the user: "HKEY_CURRENT_USER\<subkey>[\<value>]".
  static std::string Describe(std::uint32_t root, std::u16string_view subkey,
                              std::u16string_view valueName, bool isValue);
};

}  // namespace qv
