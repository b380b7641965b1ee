// Makes a FileItemOpt for each record of kind 1.
#pragma once

#include "sources/data_item_factory.h"
#include "sources/restore_options.h"

namespace qv {

class FileItemFactory : public DataItemFactory {
 public:
  explicit FileItemFactory(RestoreOptions options = {});
  int GetKey() const override;
  std::unique_ptr<DataItem> Create() override;

 private:
  int m_nKind;
  RestoreOptions m_options;
};

}  // namespace qv
