#include "jobs/backup_item_size_text.h"

namespace qv {

std::string ItemSizeText(std::uint64_t bytes) { return std::to_string(bytes / 1024) + " KB"; }

}  // namespace qv
