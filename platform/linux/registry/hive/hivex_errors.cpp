#include "platform/linux/registry/hive/hivex_errors.h"

#include <cerrno>
#include <cstring>

namespace qv {

std::string DescribeHivexError(int errnoValue) {
  switch (errnoValue) {
    case 0:
      return "libhivex failed without saying why";
    case ENOTSUP:
      return "the hive uses a layout libhivex does not support";
    case EINVAL:
      return "the hive is damaged or not a registry hive (bad header, checksum or cell)";
    case EFAULT:
      return "the hive is damaged (a cell points outside the file or to the wrong kind of cell)";
    case ENOMEM:
      return "out of memory";
    case ERANGE:
      return "a name or value is too large for the hive";
    case EROFS:
      return "the hive was opened read-only";
    case EEXIST:
      return "a key of that name already exists";
    default:
      return std::strerror(errnoValue);
  }
}

}  // namespace qv
