// Makes a FileItemOpt for each record of kind 1.
#pragma once

#include "sources/favorites/file_item_opt.h"
#include "sources/item_opt_factory.h"
#include "store/records.h"

namespace qv {

class FileItemFactory : public ItemOptFactory<FileItemOpt, kFileItemKind> {
 public:
  using ItemOptFactory::ItemOptFactory;
};

}  // namespace qv
