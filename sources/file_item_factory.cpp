#include "sources/file_item_factory.h"

#include <utility>

#include "sources/file_item_opt.h"
#include "store/records.h"

namespace qv {

FileItemFactory::FileItemFactory(RestoreOptions options)
    : m_nKind(static_cast<int>(kFileItemKind)), m_options(std::move(options)) {}

int FileItemFactory::GetKey() const { return m_nKind; }

std::unique_ptr<DataItem> FileItemFactory::Create() { return std::make_unique<FileItemOpt>(m_options); }

}  // namespace qv
