#include "sources/favorites/file_head_initor.h"

namespace qv {

void FileHeadInitor::Init(FileItemHead& head, const FileReader& reader, bool compress,
                          bool protect) {
  head = FileItemHead{};
  head.kind = kFileItemKind;
  head.item = reader.Head();
  head.compressed = compress ? 1 : 0;
  head.isProtected = protect ? 1 : 0;
}

}  // namespace qv
