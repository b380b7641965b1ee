#include "platform/shared/skipped_entries.h"

#include <utility>

#include "platform/shared/per_thread.h"

namespace qv {
namespace {

struct SkippedEntries {
  std::vector<SkippedEntry> entries;
};

}  // namespace

void NoteSkippedEntry(SkippedEntry entry) { PerThread<SkippedEntries>().entries.push_back(std::move(entry)); }

std::vector<SkippedEntry> TakeSkippedEntriesOfThread() {
  std::vector<SkippedEntry> taken;
  taken.swap(PerThread<SkippedEntries>().entries);
  return taken;
}

}  // namespace qv
