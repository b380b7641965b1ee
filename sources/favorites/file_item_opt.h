// FileItemOpt: restores one favorite (records of kind 1).
//
// The content goes to a temporary file beside the target and replaces the target
// only at End, when every block arrived: a damaged or cut-short record leaves the
// existing favorite as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/unique_handles.h"
#include "store/reader/data_item.h"
#include "sources/favorites/file_restore_context.h"
#include "sources/restore_options.h"
#include "store/records.h"

namespace qv {

class FileItemOpt : public DataItem {
 public:
  explicit FileItemOpt(RestoreOptions options);
  ~FileItemOpt() override;
  FileItemOpt(const FileItemOpt&) = delete;
  FileItemOpt& operator=(const FileItemOpt&) = delete;

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
  // Looks at what is at the target now: empty, or why the record may not go there.
  std::string CheckTarget(FileRestoreContext& context, const std::u16string& folder);
  bool Fail(std::string what);
  void CloseTemp();
  FileRestoreContext& Context();

  RestoreOptions m_options;
  std::unique_ptr<FileRestoreContext> m_pOwnContext;  // when the restore gives none
  FileItemHead m_record;
  bool m_bHeadSet = false;
  std::u16string m_strTargetPath;
  std::u16string m_strTempPath;
  UniqueFile m_temp;
  bool m_bBegun = false;
  bool m_bWriteFailed = false;
  std::uint64_t m_nWritten = 0;
  bool m_bTargetExists = false;
  std::string m_strSkipReason;
};

}  // namespace qv
