// The item list's content: each backup item's name and size, measured on whatever
// thread asks and shown on the window's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/writer/backup_item.h"

namespace qv::app {

// The list's columns; widths in pixels at the standard resolution.
inline constexpr char kNameColumnTitle[] = "Item Name";
inline constexpr char kSizeColumnTitle[] = "Size";
inline constexpr int kNameColumnWidth = 300;
inline constexpr int kSizeColumnWidth = 70;

struct ItemRow {
  std::u16string strName;
  std::uint64_t nSize = 0;  // bytes
};

// In the items' order. Walks every source: may take a while on a large profile.
std::vector<ItemRow> MeasureItemRows(const std::vector<std::unique_ptr<BackupItem>>& items);

}  // namespace qv::app
