// What every restore operation of one restore needs to know besides its record.
#pragma once

#include <string>

namespace qv {

struct RestoreOptions {
  // Decode and check everything, change nothing: no folder, file, key or value.
  bool bDryRun = false;
  // Non-empty when the registry must not be written (a dirty hive, say); every
  // settings record is then skipped with this reason.
  std::string strRegistryBlocked;
};

}  // namespace qv
