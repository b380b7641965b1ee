// A Platform that forwards to another and fails chosen operations on request, for
// tests of what the engine does when the disk fills, a rename fails or a file
// cannot be opened. Injected failures behave like real ones: the result says so and
// LastErrorText() starts with "injected fault".
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/platform_wrapper.h"

namespace qv {

class FaultInjectingPlatform final : public PlatformWrapper {
 public:
  explicit FaultInjectingPlatform(Platform& inner) : PlatformWrapper(inner) {}

  // The Nth WriteFile from now (1 = the next) fails without writing.
  void FailNthWrite(std::uint64_t n);
  // WriteFile moves `budget` more bytes, then fails; the write that crosses the
  // budget writes its first part, as on a disk that fills up.
  void FailWritesAfterBytes(std::uint64_t budget);
  // ReadFile likewise, as on a medium that goes bad part way.
  void FailReadsAfterBytes(std::uint64_t budget);
  // CreateFileW fails for every path that contains `fragment` (case sensitive).
  void FailCreateFileContaining(std::u16string fragment);
  void FailMoveFile(bool fail);
  void FailFlush(bool fail);
  // The Nth ReplaceFilesDurably batch from now (1 = the next, in the order batches
  // rename) fails as a flush would.
  void FailNthReplaceBatch(std::uint64_t n);
  // The first ReplaceFilesDurably batch from now waits this long before it starts,
  // as behind a slow disk.
  void SlowFirstReplaceBatch(std::chrono::milliseconds delay);
  // Back to forwarding everything.
  void Reset();

  FileHandle CreateFileW(std::u16string_view path, std::uint32_t access, std::uint32_t shareMode,
                         std::uint32_t disposition) override;
  bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead) override;
  bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytesToWrite,
                 std::uint32_t* bytesWritten) override;
  bool FlushFileBuffers(FileHandle file) override;
  bool MoveFileExW(std::u16string_view from, std::u16string_view to) override;
  // A failing flush fails the whole batch before any rename; a failing move, each
  // rename. The temporary files go, as on a real failure.
  std::vector<std::string> ReplaceFilesDurably(const std::vector<FileReplacement>& batch,
                                               const RenameTurn& turn) override;

 private:
  void Refund(std::optional<std::uint64_t>& budget, std::uint32_t unused);

  std::mutex m_mutex;
  std::uint64_t m_nWritesUntilFailure = 0;  // 0: no such fault
  std::optional<std::uint64_t> m_nWriteBudget;
  std::optional<std::uint64_t> m_nReadBudget;
  std::u16string m_strFailingPathFragment;
  bool m_bFailMove = false;
  bool m_bFailFlush = false;
  std::uint64_t m_nBatchesUntilFailure = 0;  // 0: no such fault
  std::chrono::milliseconds m_firstBatchDelay{0};
};

}  // namespace qv
