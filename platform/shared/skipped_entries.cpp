#include "platform/shared/skipped_entries.h"

#include <utility>

namespace qv {
namespace {

thread_local std::vector<SkippedEntry> t_skipped;

}  // namespace

void NoteSkippedEntry(SkippedEntry entry) { t_skipped.push_back(std::move(entry)); }

std::vector<SkippedEntry> TakeSkippedEntriesOfThread() {
  std::vector<SkippedEntry> taken;
  taken.swap(t_skipped);
  return taken;
}

}  // namespace qv
