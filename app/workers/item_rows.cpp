#include "app/workers/item_rows.h"

namespace qv::app {

std::vector<ItemRow> MeasureItemRows(const std::vector<std::unique_ptr<BackupItem>>& items) {
  std::vector<ItemRow> rows;
  for (const auto& item : items) rows.push_back({item->GetName(), item->GetSize()});
  return rows;
}

}  // namespace qv::app
