#include "sources/reg_item_factory.h"

#include <utility>

#include "sources/reg_item_opt.h"
#include "store/records.h"

namespace qv {

RegItemFactory::RegItemFactory(RestoreOptions options)
    : m_nKind(static_cast<int>(kRegItemKind)), m_options(std::move(options)) {}

int RegItemFactory::GetKey() const { return m_nKind; }

std::unique_ptr<DataItem> RegItemFactory::Create() { return std::make_unique<RegItemOpt>(m_options); }

}  // namespace qv
