// The Favorites source: every file below the profile's Favorites folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "sources/file_head_initor.h"
#include "sources/file_node.h"
#include "sources/file_reader.h"
#include "store/data_store.h"
#include "store/mfc_progress.h"
#include "store/mfc_thread_ctrl.h"

namespace qv {

class FavoritesBuilder {
 public:
  using Store = DataStore<FileItem, FileReader, FileItemHead, FileHeadInitor, LZMACompProcessor,
                          DESEncryptor, MFCProgress, MFCThreadCtrl>;

  static std::u16string GetName() { return u"Favorites"; }
  // The Favorites folder, created when missing. A root with no folder when the
  // shell cannot give one: it lists nothing.
  static FileNode MakeRoot();
  // File bytes of the list; a file that cannot be opened unshared counts 0.
  static std::uint64_t SumSizes(const std::vector<FileNode>& nodes);
  // Whether the node is one of `paths` (the archive being written, resolved through
  // links), so that an archive kept in Favorites is not stored into itself.
  static bool IsExcluded(const FileNode& node, const std::vector<std::u16string>& paths);
};

}  // namespace qv
