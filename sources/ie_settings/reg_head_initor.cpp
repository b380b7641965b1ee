#include "sources/ie_settings/reg_head_initor.h"

namespace qv {

void RegHeadInitor::Init(RegItemHead& head, const RegReader& reader, bool compress, bool protect) {
  head = RegItemHead{};
  head.kind = kRegItemKind;
  head.item = reader.Head();
  head.compressed = compress ? 1 : 0;
  head.isProtected = protect ? 1 : 0;
}

}  // namespace qv
