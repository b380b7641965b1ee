// Fills the record head that precedes each stored favorite.
#pragma once

#include "sources/favorites/file_reader.h"
#include "store/records.h"

namespace qv {

class FileHeadInitor {
 public:
  static void Init(FileItemHead& head, const FileReader& reader, bool compress, bool protect);
  static FileItemHeadBytes Encode(const FileItemHead& head) { return EncodeFileItemHead(head); }
};

}  // namespace qv
