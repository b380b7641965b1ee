// Fills the record head that precedes each stored registry value.
#pragma once

#include "sources/ie_settings/reg_reader.h"
#include "store/records.h"

namespace qv {

class RegHeadInitor {
 public:
  static void Init(RegItemHead& head, const RegReader& reader, bool compress, bool protect);
  static RegItemHeadBytes Encode(const RegItemHead& head) { return EncodeRegItemHead(head); }
};

}  // namespace qv
