#include "tests/support/fault_injecting_platform.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/shared/last_error.h"

namespace qv {
namespace {

bool Injected(const std::string& what) {
  SetLastErrorText("injected fault: " + what);
  return false;
}

// How much of a request a byte budget lets through; spends that much.
std::uint32_t TakeFromBudget(std::optional<std::uint64_t>& budget, std::uint32_t wanted) {
  if (!budget) return wanted;
  const auto granted = static_cast<std::uint32_t>(std::min<std::uint64_t>(*budget, wanted));
  *budget -= granted;
  return granted;
}

}  // namespace

// Bytes granted but not moved (end of file, a real failure) stay in the budget, so
// it counts what actually went through.
void FaultInjectingPlatform::Refund(std::optional<std::uint64_t>& budget, std::uint32_t unused) {
  std::lock_guard lock(m_mutex);
  if (budget) *budget += unused;
}

void FaultInjectingPlatform::FailNthWrite(std::uint64_t n) {
  std::lock_guard lock(m_mutex);
  m_nWritesUntilFailure = n;
}

void FaultInjectingPlatform::FailWritesAfterBytes(std::uint64_t budget) {
  std::lock_guard lock(m_mutex);
  m_nWriteBudget = budget;
}

void FaultInjectingPlatform::FailReadsAfterBytes(std::uint64_t budget) {
  std::lock_guard lock(m_mutex);
  m_nReadBudget = budget;
}

void FaultInjectingPlatform::FailCreateFileContaining(std::u16string fragment) {
  std::lock_guard lock(m_mutex);
  m_strFailingPathFragment = std::move(fragment);
}

void FaultInjectingPlatform::FailMoveFile(bool fail) {
  std::lock_guard lock(m_mutex);
  m_bFailMove = fail;
}

void FaultInjectingPlatform::FailFlush(bool fail) {
  std::lock_guard lock(m_mutex);
  m_bFailFlush = fail;
}

void FaultInjectingPlatform::FailNthReplaceBatch(std::uint64_t n) {
  std::lock_guard lock(m_mutex);
  m_nBatchesUntilFailure = n;
}

void FaultInjectingPlatform::SlowFirstReplaceBatch(std::chrono::milliseconds delay) {
  std::lock_guard lock(m_mutex);
  m_firstBatchDelay = delay;
}

void FaultInjectingPlatform::Reset() {
  std::lock_guard lock(m_mutex);
  m_nWritesUntilFailure = 0;
  m_nWriteBudget.reset();
  m_nReadBudget.reset();
  m_strFailingPathFragment.clear();
  m_bFailMove = false;
  m_bFailFlush = false;
  m_nBatchesUntilFailure = 0;
  m_firstBatchDelay = std::chrono::milliseconds{0};
}

FileHandle FaultInjectingPlatform::CreateFileW(std::u16string_view path, std::uint32_t access,
                                               std::uint32_t shareMode,
                                               std::uint32_t disposition) {
  {
    std::lock_guard lock(m_mutex);
    if (!m_strFailingPathFragment.empty() &&
        path.find(m_strFailingPathFragment) != std::u16string_view::npos) {
      Injected("CreateFileW");
      return kInvalidHandle;
    }
  }
  return Target().CreateFileW(path, access, shareMode, disposition);
}

bool FaultInjectingPlatform::ReadFile(FileHandle file, void* buffer, std::uint32_t bytesToRead,
                                      std::uint32_t* bytesRead) {
  std::uint32_t granted = 0;
  {
    std::lock_guard lock(m_mutex);
    granted = TakeFromBudget(m_nReadBudget, bytesToRead);
  }
  *bytesRead = 0;
  const bool ok = Target().ReadFile(file, buffer, granted, bytesRead);
  Refund(m_nReadBudget, granted - *bytesRead);
  if (!ok) return false;
  return granted == bytesToRead || Injected("ReadFile after the byte budget");
}

bool FaultInjectingPlatform::WriteFile(FileHandle file, const void* buffer,
                                       std::uint32_t bytesToWrite, std::uint32_t* bytesWritten) {
  std::uint32_t granted = 0;
  {
    std::lock_guard lock(m_mutex);
    if (m_nWritesUntilFailure > 0 && --m_nWritesUntilFailure == 0) {
      *bytesWritten = 0;
      return Injected("WriteFile number N");
    }
    granted = TakeFromBudget(m_nWriteBudget, bytesToWrite);
  }
  *bytesWritten = 0;
  const bool ok = Target().WriteFile(file, buffer, granted, bytesWritten);
  Refund(m_nWriteBudget, granted - *bytesWritten);
  if (!ok) return false;
  return granted == bytesToWrite || Injected("WriteFile after the byte budget (disk full)");
}

bool FaultInjectingPlatform::FlushFileBuffers(FileHandle file) {
  {
    std::lock_guard lock(m_mutex);
    if (m_bFailFlush) return Injected("FlushFileBuffers");
  }
  return Target().FlushFileBuffers(file);
}

bool FaultInjectingPlatform::MoveFileExW(std::u16string_view from, std::u16string_view to) {
  {
    std::lock_guard lock(m_mutex);
    if (m_bFailMove) return Injected("MoveFileExW");
  }
  return Target().MoveFileExW(from, to);
}

std::vector<std::string> FaultInjectingPlatform::ReplaceFilesDurably(
    const std::vector<FileReplacement>& batch, const RenameTurn& turn) {
  const char* fault = nullptr;
  std::chrono::milliseconds delay{0};
  bool countingBatches = false;
  {
    std::lock_guard lock(m_mutex);
    std::swap(delay, m_firstBatchDelay);
    countingBatches = m_nBatchesUntilFailure != 0;
  }
  std::this_thread::sleep_for(delay);
  // Batches on their way together get here in whatever order their threads run;
  // the Nth batch is the Nth to rename, so it is counted in its turn.
  if (countingBatches && turn.waitForTurn) turn.waitForTurn();
  const RenameTurn rest = countingBatches ? RenameTurn{nullptr, turn.endTurn} : turn;
  {
    std::lock_guard lock(m_mutex);
    if (m_bFailFlush) fault = "injected fault: FlushFileBuffers";
    if (m_nBatchesUntilFailure != 0 && --m_nBatchesUntilFailure == 0) {
      fault = "injected fault: FlushFileBuffers";
    }
    if (m_bFailMove) fault = "injected fault: MoveFileExW";
  }
  if (fault == nullptr) return Target().ReplaceFilesDurably(batch, rest);
  TakenTurn taken(rest);
  for (const FileReplacement& entry : batch) (void)Target().DeleteFileW(entry.strTempPath);
  SetLastErrorText(fault);
  return std::vector<std::string>(batch.size(), fault);
}

}  // namespace qv
