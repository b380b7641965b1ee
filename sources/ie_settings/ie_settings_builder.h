// The IE Settings source: every value below HKEY_CURRENT_USER
// "Software\Microsoft\Internet Explorer". This folder holds its walk, reader and
// record heads, and the restore of registry records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "processors/des_cryptors.h"
#include "processors/lzma_processors.h"
#include "sources/ie_settings/reg_head_initor.h"
#include "sources/ie_settings/reg_node.h"
#include "sources/ie_settings/reg_reader.h"
#include "store/writer/backup_item_walk.h"
#include "store/writer/data_store.h"
#include "store/mfc_progress.h"
#include "store/writer/mfc_thread_ctrl.h"

namespace qv {

inline constexpr char16_t kIeSettingsKey[] = u"Software\\Microsoft\\Internet Explorer";

class IESettingsBuilder {
 public:
  using Store = DataStore<RegItem, RegReader, RegItemHead, RegHeadInitor, LZMACompProcessor,
                          DESEncryptor, MFCProgress, MFCThreadCtrl>;

  static std::u16string GetName() { return u"IE Settings"; }
  static RegNode MakeRoot();
  // Data bytes of the value nodes; key nodes add nothing, so a key's unnamed value
  // counts once although it is stored twice.
  static std::uint64_t SumSizes(const NodeList<RegNode>& nodes);
  // The archive is a file; no registry value can be it.
  struct Exclusion {
    explicit Exclusion(const std::vector<std::u16string>&) {}
    bool Excludes(const RegNode&) const { return false; }
  };
};

}  // namespace qv
