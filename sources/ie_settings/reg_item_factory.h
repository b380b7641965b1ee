// Makes a RegItemOpt for each record of kind 2.
#pragma once

#include "sources/item_opt_factory.h"
#include "sources/ie_settings/reg_item_opt.h"
#include "store/records.h"

namespace qv {

class RegItemFactory : public ItemOptFactory<RegItemOpt, kRegItemKind> {
 public:
  using ItemOptFactory::ItemOptFactory;
};

}  // namespace qv
