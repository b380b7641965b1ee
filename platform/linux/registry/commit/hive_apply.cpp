#include "platform/linux/registry/commit/hive_apply.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/linux/registry/hive/hive_node_index.h"
#include "platform/linux/registry/hive/hivex_errors.h"
#include "platform/text/text.h"

namespace qv {
namespace {

struct MergedValue {
  std::string utf8Name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

Status HivexFailure(const std::string& what, const KeyPath& path) {
  const int error = errno;
  return Status::Error(what + " " + DescribeKeyPath(path) + ": " + DescribeHivexError(error));
}

// The key's values as they will be after the commit, existing ones first.
// `changed`: whether they differ from the key's values now at all.
Status MergeValues(hive_h* hive, const HiveNodeIndex& index, const PendingKey& key,
                   std::uint32_t maxRewrittenValueBytes, std::vector<MergedValue>* merged,
                   bool* changed) {
  // libhivex deletes all of a key's values before writing the list it is given, so
  // a value missing from that list is gone: one we cannot read refuses the key.
  if (index.UnreadableValueCount() != 0) {
    return Status::Error("key " + DescribeKeyPath(key.path) + " holds " +
                         std::to_string(index.UnreadableValueCount()) +
                         " value(s) whose names libhivex cannot decode; rewriting the "
                         "key's values would delete them, so it is left as it is");
  }
  std::unordered_map<std::u16string, std::size_t> byFoldedName;
  for (hive_value_h value : index.Values()) {
    MergedValue existing;
    // Dropping a value we cannot read, or renaming one whose name holds a NUL,
    // would lose data that is not ours to change: refuse the whole key instead.
    if (!ReadHiveValueName(hive, value, &existing.utf8Name)) {
      return HivexFailure("cannot read a value name of", key.path);
    }
    if (existing.utf8Name.find('\0') != std::string::npos) {
      return Status::Error("key " + DescribeKeyPath(key.path) +
                           " holds a value whose name contains a NUL character, which "
                           "libhivex cannot write back");
    }
    if (!ReadHiveValue(hive, value, &existing.type, &existing.data)) {
      return HivexFailure("cannot read value \"" + existing.utf8Name + "\" of", key.path);
    }
    byFoldedName.emplace(FoldName(FromUtf8(existing.utf8Name)), merged->size());
    merged->push_back(std::move(existing));
  }
  std::vector<bool> replaced(merged->size(), false);
  *changed = false;
  for (const PendingValue& value : key.values) {
    const auto found = byFoldedName.find(FoldName(value.name));
    if (found == byFoldedName.end()) {
      merged->push_back(MergedValue{ToUtf8(value.name), value.type, value.data});
      *changed = true;
      continue;
    }
    MergedValue& existing = (*merged)[found->second];
    if (existing.type != value.type || existing.data != value.data) *changed = true;
    existing.type = value.type;
    existing.data = value.data;
    replaced[found->second] = true;
  }
  // Nothing will be rewritten, so no value's layout can change either.
  if (!*changed) return Status::Ok();
  for (std::size_t i = 0; i < replaced.size(); ++i) {
    if (!replaced[i] && (*merged)[i].data.size() > maxRewrittenValueBytes) {
      return Status::Error("key " + DescribeKeyPath(key.path) + " holds value \"" +
                           (*merged)[i].utf8Name + "\" of " +
                           std::to_string((*merged)[i].data.size()) +
                           " bytes, which cannot be rewritten without big-data cells in "
                           "this hive format");
    }
  }
  return Status::Ok();
}

Status SetKeyValues(hive_h* hive, hive_node_h node, const HiveNodeIndex& index,
                    const PendingKey& key, std::uint32_t maxRewrittenValueBytes) {
  std::vector<MergedValue> merged;
  bool changed = false;
  Status status = MergeValues(hive, index, key, maxRewrittenValueBytes, &merged, &changed);
  if (!status.ok()) return status;
  // libhivex never reuses the cells of the values it replaces: rewriting values that
  // are already as asked would grow the hive by all of them on every restore.
  if (!changed) return Status::Ok();
  std::vector<hive_set_value> values(merged.size());
  for (std::size_t i = 0; i < merged.size(); ++i) {
    values[i].key = merged[i].utf8Name.data();
    // Any 32-bit type code passes through; hive_type only names the common ones.
    std::memcpy(&values[i].t, &merged[i].type, sizeof merged[i].type);
    values[i].len = merged[i].data.size();
    values[i].value = reinterpret_cast<char*>(merged[i].data.data());
  }
  errno = 0;
  if (hivex_node_set_values(hive, node, values.size(), values.data(), 0) != 0) {
    return HivexFailure("cannot set the values of", key.path);
  }
  return Status::Ok();
}

}  // namespace

Status ApplyPendingChanges(hive_h* hive, const PendingChanges& changes,
                           std::uint32_t maxRewrittenValueBytes,
                           std::vector<std::uint64_t>* parentsWithNewKeys) {
  std::unordered_map<std::u16string, hive_node_h> nodeByFoldedPath;
  std::unordered_map<hive_node_h, HiveNodeIndex> indexByNode;
  const auto indexOf = [&](hive_node_h node, const KeyPath& path, HiveNodeIndex** index) {
    auto found = indexByNode.find(node);
    if (found == indexByNode.end()) {
      HiveNodeIndex built;
      if (!built.Build(hive, node)) return HivexFailure("cannot read key", path);
      found = indexByNode.emplace(node, std::move(built)).first;
    }
    *index = &found->second;
    return Status::Ok();
  };

  for (const PendingKey& key : changes.Keys()) {
    hive_node_h node = hivex_root(hive);
    if (!key.path.empty()) {
      // Parents come first, so the parent's node is known already.
      const KeyPath parentPath(key.path.begin(), key.path.end() - 1);
      const hive_node_h parent = nodeByFoldedPath.at(FoldedPathKey(parentPath));
      HiveNodeIndex* parentIndex = nullptr;
      Status status = indexOf(parent, parentPath, &parentIndex);
      if (!status.ok()) return status;
      node = parentIndex->FindChild(key.path.back());
      if (node == 0) {
        errno = 0;
        node = hivex_node_add_child(hive, parent, ToUtf8(key.path.back()).c_str());
        if (node == 0) return HivexFailure("cannot create key", key.path);
        parentIndex->AddChild(key.path.back(), node);
        if (std::find(parentsWithNewKeys->begin(), parentsWithNewKeys->end(), parent) ==
            parentsWithNewKeys->end()) {
          parentsWithNewKeys->push_back(parent);
        }
      }
    }
    nodeByFoldedPath.emplace(FoldedPathKey(key.path), node);
    if (key.values.empty()) continue;
    HiveNodeIndex* index = nullptr;
    Status status = indexOf(node, key.path, &index);
    if (!status.ok()) return status;
    status = SetKeyValues(hive, node, *index, key, maxRewrittenValueBytes);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

}  // namespace qv
