// A factory of one restore operation type for one kind code: what FileItemFactory
// and RegItemFactory share.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "store/reader/data_item_factory.h"
#include "sources/restore_options.h"

namespace qv {

template <class ItemOpt, std::uint32_t kKind>
class ItemOptFactory : public DataItemFactory {
 public:
  explicit ItemOptFactory(RestoreOptions options = {})
      : m_nKind(static_cast<int>(kKind)), m_options(std::move(options)) {}
  int GetKey() const override { return m_nKind; }
  std::unique_ptr<DataItem> Create() override { return std::make_unique<ItemOpt>(m_options); }

 private:
  int m_nKind;
  RestoreOptions m_options;
};

}  // namespace qv
