// The Favorites source: every file below the profile's Favorites folder. This folder
// holds its walk, reader and record heads, and the restore of file records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "sources/favorites/file_head_initor.h"
#include "sources/favorites/file_node.h"
#include "sources/favorites/file_reader.h"
#include "store/writer/backup_item_walk.h"
#include "store/writer/data_store.h"
#include "store/mfc_progress.h"
#include "store/writer/mfc_thread_ctrl.h"

namespace qv {

class FavoritesBuilder {
 public:
  using Store = DataStore<FileItem, FileReader, FileItemHead, FileHeadInitor, LZMACompProcessor,
                          DESEncryptor, MFCProgress, MFCThreadCtrl>;

  static std::u16string GetName() { return u"Favorites"; }
  // The Favorites folder, created when missing. A root with no folder when the
  // shell cannot give one: it lists nothing.
  static FileNode MakeRoot();
  // File bytes of the list, as the walk's listing found them.
  static std::uint64_t SumSizes(const NodeList<FileNode>& nodes);

  // The files never to store (the archive being written and its target, resolved
  // through links), so that an archive kept in Favorites is not stored into itself.
  // Resolving every favorite's path would cost a look at each folder on the way;
  // so only links, and paths that lead into Favorites through one, are resolved,
  // and every other favorite is compared by name.
  class Exclusion {
   public:
    explicit Exclusion(const std::vector<std::u16string>& paths);
    bool Excludes(const FileNode& node) const;

   private:
    std::vector<std::u16string> m_paths;
    std::vector<std::u16string> m_inFavorites;  // of m_paths, those written as below Favorites
    bool m_bResolveEveryNode = false;           // one of m_paths reaches Favorites another way
  };
};

}  // namespace qv
