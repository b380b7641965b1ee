#include "platform/linux/registry/hive/hive_value_limits.h"

#include <string>

#include "platform/linux/registry/hive/hive_layout.h"

namespace qv {

std::uint32_t MaxWritableValueBytes(std::uint32_t hiveMinorVersion) {
  return hiveMinorVersion >= kFirstBigDataMinorVersion ? kMaxPlainCellValueBytes : kMaxValueBytes;
}

Status CheckValueSizeFits(std::uint32_t size, std::uint32_t hiveMinorVersion) {
  if (size > kMaxValueBytes) {
    return Status::Error("value of " + std::to_string(size) +
                         " bytes is larger than the registry's limit of " +
                         std::to_string(kMaxValueBytes) + " bytes per value");
  }
  if (size > MaxWritableValueBytes(hiveMinorVersion)) {
    return Status::Error("value of " + std::to_string(size) +
                         " bytes is larger than this hive format (1." +
                         std::to_string(hiveMinorVersion) + ") stores without big-data cells (" +
                         std::to_string(kMaxPlainCellValueBytes) + " bytes), which are not "
                         "written here");
  }
  return Status::Ok();
}

}  // namespace qv
