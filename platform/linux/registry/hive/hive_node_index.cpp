#include "platform/linux/registry/hive/hive_node_index.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/linux/registry/registry_key_path.h"
#include "platform/text/text.h"

namespace qv {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using MallocedText = std::unique_ptr<char, FreeDeleter>;

// A name may hold NULs, so its length comes from libhivex, not from strlen.
bool ReadNodeName(hive_h* hive, hive_node_h node, std::string* utf8Name) {
  errno = 0;
  const std::size_t length = hivex_node_name_len(hive, node);
  MallocedText name(hivex_node_name(hive, node));
  if (!name) return false;
  utf8Name->assign(name.get(), length != 0 ? length : std::strlen(name.get()));
  return true;
}

}  // namespace

bool ReadHiveValueName(hive_h* hive, hive_value_h value, std::string* utf8Name) {
  errno = 0;
  const std::size_t length = hivex_value_key_len(hive, value);
  MallocedText name(hivex_value_key(hive, value));
  if (!name) return false;
  utf8Name->assign(name.get(), length != 0 ? length : std::strlen(name.get()));
  return true;
}

bool ReadHiveValue(hive_h* hive, hive_value_h value, std::uint32_t* type,
                   std::vector<std::uint8_t>* data) {
  // A hive may hold any 32-bit type code; libhivex writes it into a hive_type as it
  // is, so it is read back through bytes rather than as an enumerator.
  static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
  alignas(hive_type) unsigned char rawType[sizeof(hive_type)] = {};
  std::size_t length = 0;
  errno = 0;
  MallocedText bytes(hivex_value_value(hive, value, reinterpret_cast<hive_type*>(rawType), &length));
  if (!bytes) return false;
  std::memcpy(type, rawType, sizeof *type);
  data->assign(reinterpret_cast<const std::uint8_t*>(bytes.get()),
               reinterpret_cast<const std::uint8_t*>(bytes.get()) + length);
  return true;
}

bool HiveNodeIndex::Build(hive_h* hive, hive_node_h node) {
  *this = HiveNodeIndex();
  errno = 0;
  std::unique_ptr<hive_node_h, FreeDeleter> children(hivex_node_children(hive, node));
  if (!children) return false;
  for (const hive_node_h* child = children.get(); *child != 0; ++child) {
    // Every key names its one parent. A list entry whose key names another (itself,
    // an ancestor, a key shared with another list) is damage that would make a walk
    // go round or fan out for ever; so is a second entry of one name, and a name
    // that no key path can hold (empty, or with a backslash), which a path would
    // resolve to some other key.
    if (hivex_node_parent(hive, *child) != node) {
      ++m_nStrayChildren;
      continue;
    }
    std::string name;
    if (!ReadNodeName(hive, *child, &name)) continue;
    std::u16string wide = FromUtf8(name);
    if (wide.empty() || wide.find(u'\\') != std::u16string::npos || m_childByFoldedName.count(FoldName(wide)) != 0) {
      ++m_nStrayChildren;
      continue;
    }
    AddChild(std::move(wide), *child);
  }
  errno = 0;
  std::unique_ptr<hive_value_h, FreeDeleter> values(hivex_node_values(hive, node));
  if (!values) return false;
  for (const hive_value_h* value = values.get(); *value != 0; ++value) {
    std::string name;
    if (!ReadHiveValueName(hive, *value, &name)) {
      ++m_nUnreadableValues;
      continue;
    }
    std::u16string wide = FromUtf8(name);
    m_valueByFoldedName.emplace(FoldName(wide), m_values.size());
    m_valueNames.push_back(std::move(wide));
    m_values.push_back(*value);
  }
  return true;
}

void HiveNodeIndex::AddChild(std::u16string name, hive_node_h child) {
  m_childByFoldedName.emplace(FoldName(name), m_children.size());
  m_childNames.push_back(std::move(name));
  m_children.push_back(child);
}

hive_node_h HiveNodeIndex::FindChild(std::u16string_view name) const {
  const auto found = m_childByFoldedName.find(FoldName(name));
  return found == m_childByFoldedName.end() ? 0 : m_children[found->second];
}

hive_value_h HiveNodeIndex::FindValue(std::u16string_view name) const {
  const auto found = m_valueByFoldedName.find(FoldName(name));
  return found == m_valueByFoldedName.end() ? 0 : m_values[found->second];
}

}  // namespace qv
