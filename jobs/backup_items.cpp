#include "jobs/backup_items.h"

#include "sources/favorites/favorites_builder.h"
#include "sources/ie_settings/ie_settings_builder.h"
#include "store/writer/backup_item_tmpl.h"
#include "store/writer/mfc_store_initor.h"

namespace qv {
namespace {

using FavoritesItem = BackupItemTmpl<FileNode, MFCStoreInitor, FavoritesBuilder>;
using IESettingsItem = BackupItemTmpl<RegNode, MFCStoreInitor, IESettingsBuilder>;

template <class Item>
std::unique_ptr<BackupItem> MakeItem(WindowHandle window, std::uint32_t message,
                                     const std::atomic<bool>* stopFlag, ProgressSink* progress) {
  auto item = std::make_unique<Item>();
  item->SetNotifyWindow(window, message);
  item->SetStopFlag(stopFlag);
  item->SetProgressSink(progress);
  return item;
}

}  // namespace

std::vector<std::unique_ptr<BackupItem>> MakeBackupItems(WindowHandle window, std::uint32_t message,
                                                         const std::atomic<bool>* stopFlag, ProgressSink* progress) {
  std::vector<std::unique_ptr<BackupItem>> items;
  items.push_back(MakeItem<FavoritesItem>(window, message, stopFlag, progress));
  items.push_back(MakeItem<IESettingsItem>(window, message, stopFlag, progress));
  return items;
}

}  // namespace qv
