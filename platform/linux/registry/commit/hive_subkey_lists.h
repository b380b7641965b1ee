// Puts the subkey lists of keys that received new subkeys in the order, and with
// the hashes and hints, that Windows relies on.
//
// Windows finds a subkey by a binary search over its parent's list, sorted by the
// upper-case UTF-16 name, and passes over an entry whose hash (lh lists) or name
// hint (lf lists) does not fit the name it looks for. libhivex computes both from
// the UTF-8 bytes of the name and sorts with ASCII-only case folding: right for
// ASCII names, wrong for "Éclair" or "Ключ", which Windows would then not find.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace qv {

// `parentCells` are the file offsets of the parents' key cells (libhivex's node
// handles). Lists are rewritten in place: the same cells, entries reordered, hashes
// and hints recomputed. Other keys' lists are not touched.
Status RepairSubkeyLists(const std::string& hivePath, const std::vector<std::uint64_t>& parentCells);

// The lh hash of a name: h = 37 * h + upper-case unit, over its UTF-16 units.
std::uint32_t SubkeyNameHash(std::u16string_view name);
// The lf hint of a name: its first four characters as bytes, zero-padded.
std::uint32_t SubkeyNameHint(std::u16string_view name);

}  // namespace qv
