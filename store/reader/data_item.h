// DataItem: the restore operation for one record of the archive.
//
// The archive reader drives every item in one order: SetHead, Begin, then Write for
// each decoded block, then End, or Discard instead of End when a block could not be
// decoded or the archive ended inside the record. An item never touches its target
// before Begin, and only End may make a change visible: whatever happens before it
// must leave the existing target as it was.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qv {

class DataItem {
 public:
  virtual ~DataItem() = default;

  // Size of the record head, the 4-byte kind code included.
  virtual std::int32_t GetHeadSize() const = 0;
  // The head bytes after the kind code; exactly GetHeadSize() - 4 of them.
  [[nodiscard]] virtual bool SetHead(std::span<const std::uint8_t> body) = 0;
  virtual std::uint8_t IsProtected() const = 0;
  virtual std::uint8_t IsCompressed() const = 0;
  // Prepares the target. False when the record is refused or the target cannot be
  // prepared; SkipReason() says why. Writes after a failed Begin take nothing.
  [[nodiscard]] virtual bool Begin() = 0;
  // Makes the collected data the target's content. False when that failed; the
  // previous target is then unchanged and SkipReason() says why.
  [[nodiscard]] virtual bool End() = 0;
  // Takes one block of decoded data; returns the bytes taken (0 when none).
  virtual std::uint32_t Write(const std::uint8_t* data, std::uint32_t length) = 0;
  // Drops whatever was collected without changing the target.
  virtual void Discard() = 0;

  // Why Begin or End failed; empty while nothing failed.
  virtual std::string SkipReason() const = 0;
  // The target as a user reads it, for reports ("favorite ...", "setting ...").
  virtual std::string Describe() const = 0;
  // Whether the target existed when Begin looked, so that End replaces it.
  virtual bool TargetExists() const = 0;
};

}  // namespace qv
