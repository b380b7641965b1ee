// The restore operation of every record kind we know, as the archive reader takes
// them: a new record kind is added here, and nowhere in store/.
#pragma once

#include "sources/restore_options.h"
#include "store/reader/archive_reader.h"

namespace qv {

ArchiveReader::Factories MakeRestoreFactories(const RestoreOptions& options);

}  // namespace qv
