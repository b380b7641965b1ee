#include "sources/restore_factories.h"

#include <memory>

#include "sources/favorites/file_item_factory.h"
#include "sources/ie_settings/reg_item_factory.h"

namespace qv {

ArchiveReader::Factories MakeRestoreFactories(const RestoreOptions& options) {
  ArchiveReader::Factories factories;
  factories.push_back(std::make_unique<FileItemFactory>(options));
  factories.push_back(std::make_unique<RegItemFactory>(options));
  return factories;
}

}  // namespace qv
