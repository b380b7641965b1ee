// Puts pending changes into a hive opened for writing, in memory.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <vector>

#include "platform/linux/registry/pending_changes.h"
#include "platform/status.h"

namespace qv {

// Creates the missing keys, then gives each key with pending values all of its
// values in ONE hivex_node_set_values call: libhivex copies every value of the key
// on each call and never frees the old cells, so one call per value grows the hive
// quadratically. A key's existing values keep their order and spelling; pending
// ones replace them by name (any case) or follow them. A key whose pending values
// all equal what it holds is not rewritten: its old cells would stay behind.
//
// maxRewrittenValueBytes: the largest existing value that may be rewritten as a
// plain cell (libhivex's only layout), so a big-data value of a 1.4+ hive is never
// turned into a layout Windows misreads.
// parentsWithNewKeys receives the node of every key that got a new subkey, once
// each, for RepairSubkeyLists.
Status ApplyPendingChanges(hive_h* hive, const PendingChanges& changes,
                           std::uint32_t maxRewrittenValueBytes,
                           std::vector<std::uint64_t>* parentsWithNewKeys);

}  // namespace qv
