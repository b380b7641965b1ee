// Entries that a listing passed over, kept per thread until the walk that caused
// them takes them: folder entries the Windows form cannot hold, and subkeys that a
// damaged hive lists but that are not the key's own.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace qv {

void NoteSkippedEntry(SkippedEntry entry);
// The entries noted on this thread since the last call; clears them.
std::vector<SkippedEntry> TakeSkippedEntriesOfThread();

}  // namespace qv
