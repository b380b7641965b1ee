// Opens one registry value for the store writer and hands out its data piece by piece.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique_handles.h"
#include "store/records.h"

namespace qv {

class RegReader {
 public:
  RegReader() = default;
  ~RegReader() { Close(); }
  RegReader(const RegReader&) = delete;
  RegReader& operator=(const RegReader&) = delete;

  // True when the value's data are in memory; the head then carries the type. A key
  // node's head reads the key's unnamed value.
  [[nodiscard]] bool Open(const RegItem& item);
  std::uint64_t Size() const { return m_nSize; }
  const RegItem& Head() const { return m_head; }
  // Up to kBlockSize bytes into `buffer`; 0 when nothing remains.
  std::uint32_t Read(std::uint8_t* buffer);
  bool ReadFailed() const { return false; }  // the data are read whole at Open
  void Close();
  // Why the last Open failed; empty when there is simply no such value (a key
  // without an unnamed value).
  const std::string& SkipReason() const { return m_strSkipReason; }

  static std::string Describe(const RegItem& item);

 private:
  UniqueRegKey m_key;
  std::vector<std::uint8_t> m_data;
  std::size_t m_nCursor = 0;
  std::uint32_t m_nSize = 0;
  std::uint32_t m_nRemaining = 0;
  RegItem m_head;
  std::string m_strSkipReason;
};

}  // namespace qv
