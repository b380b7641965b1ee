// The subkeys and values of one hive key, with their names decoded once and
// looked up without regard to case. libhivex looks names up by scanning and
// compares ASCII case only, so every name lookup goes through one of these.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

class HiveNodeIndex {
 public:
  // Names libhivex cannot decode are left out of the lookups and listings, as no
  // call could name them anyway, but such values are counted: a rewrite of the key's
  // values would delete them. False (errno set) when the key's lists cannot be read.
  bool Build(hive_h* hive, hive_node_h node);

  // 0 when there is no such child or value.
  hive_node_h FindChild(std::u16string_view name) const;
  hive_value_h FindValue(std::u16string_view name) const;
  // Records a subkey created after Build.
  void AddChild(std::u16string name, hive_node_h child);

  const std::vector<std::u16string>& ChildNames() const { return m_childNames; }
  const std::vector<std::u16string>& ValueNames() const { return m_valueNames; }
  const std::vector<hive_value_h>& Values() const { return m_values; }
  std::size_t UnreadableValueCount() const { return m_nUnreadableValues; }
  // Subkey entries left out: their key names another parent, repeats a name, or
  // has a name no key path can hold.
  std::size_t StrayChildCount() const { return m_nStrayChildren; }

 private:
  std::vector<std::u16string> m_childNames;
  std::vector<hive_node_h> m_children;
  std::unordered_map<std::u16string, std::size_t> m_childByFoldedName;
  std::vector<std::u16string> m_valueNames;
  std::vector<hive_value_h> m_values;
  std::unordered_map<std::u16string, std::size_t> m_valueByFoldedName;
  std::size_t m_nUnreadableValues = 0;
  std::size_t m_nStrayChildren = 0;
};

// A value's type and data exactly as stored. False (errno set) when unreadable.
bool ReadHiveValue(hive_h* hive, hive_value_h value, std::uint32_t* type,
                   std::vector<std::uint8_t>* data);

// A value's name as stored, embedded NULs included. False (errno set) when unreadable.
bool ReadHiveValueName(hive_h* hive, hive_value_h value, std::string* utf8Name);

}  // namespace qv
