// The two backup items, in the order of the item list and of every archive.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win_types.h"
#include "store/progress_sink.h"
#include "store/writer/backup_item.h"

namespace qv {

// Favorites first, then IE Settings. Each item posts `message` to `window` while it
// backs up (nothing when window is 0), tells `progress` (may be null) the same in
// bytes, and stops at the next block once `stopFlag` (which may be null) is set.
std::vector<std::unique_ptr<BackupItem>> MakeBackupItems(WindowHandle window, std::uint32_t message,
                                                         const std::atomic<bool>* stopFlag = nullptr,
                                                         ProgressSink* progress = nullptr);

}  // namespace qv
