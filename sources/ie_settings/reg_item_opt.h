// RegItemOpt: restores one settings value (records of kind 2).
//
// The value's data are collected whole and set at End in one call, so a value is
// never set cut short. The collection grows with the data, up to kMaxRegValueSize.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/reader/data_item.h"
#include "sources/restore_options.h"
#include "store/records.h"

namespace qv {

// Far beyond the 1 MB that Windows advises for one value; an archive that states
// more is refused rather than held in memory.
inline constexpr std::uint32_t kMaxRegValueSize = 64u * 1024 * 1024;

class RegItemOpt : public DataItem {
 public:
  explicit RegItemOpt(RestoreOptions options);

  std::int32_t GetHeadSize() const override;
  [[nodiscard]] bool SetHead(std::span<const std::uint8_t> body) override;
  std::uint8_t IsProtected() const override;
  std::uint8_t IsCompressed() const override;
  [[nodiscard]] bool Begin() override;
  [[nodiscard]] bool End() override;
  std::uint32_t Write(const std::uint8_t* data, std::uint32_t length) override;
  void Discard() override;

  std::string SkipReason() const override;
  std::string Describe() const override;
  bool TargetExists() const override;

 private:
  bool Refuse(std::string reason);
  bool ValueExists() const;

  RestoreOptions m_options;
  RegItemHead m_record;
  bool m_bHeadSet = false;
  bool m_bBegun = false;
  bool m_bTooLarge = false;
  bool m_bTargetExists = false;
  std::uint32_t m_nCollected = 0;
  std::vector<std::uint8_t> m_data;
  std::string m_strSkipReason;
};

}  // namespace qv
