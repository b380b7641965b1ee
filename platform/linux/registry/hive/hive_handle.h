// An open libhivex handle, closed by its owner.
#pragma once

#include <hivex.h>

#include <memory>

namespace qv {

struct HiveCloser {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using HiveHandle = std::unique_ptr<hive_h, HiveCloser>;

}  // namespace qv
