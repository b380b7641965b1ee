#include "sources/ie_settings/reg_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "sources/ie_settings/reg_node.h"

namespace qv {

bool RegReader::Open(const RegItem& item) {
  Close();
  m_strSkipReason.clear();
  const std::u16string subkey = TextFieldValue(item.subkey);
  const std::u16string valueName = TextFieldValue(item.valueName);
  RegKey opened = 0;
  if (Os().RegOpenKeyExW(item.root, subkey, kKeyAllAccess, &opened) != kErrorSuccess) {
    m_strSkipReason = "the key cannot be opened: " + Os().LastErrorText();
    return false;
  }
  m_key = UniqueRegKey(opened);

  std::uint32_t size = 0;
  const RegResult sized = Os().RegQueryValueExW(m_key.Get(), valueName, nullptr, nullptr, &size);
  if (sized != kErrorSuccess) {
    if (!(sized == kErrorFileNotFound && valueName.empty())) {
      m_strSkipReason = "the value cannot be read: " + Os().LastErrorText();
    }
    return false;
  }
  // One spare byte keeps the data pointer non-null for an empty value: a null
  // pointer would ask for the size again.
  m_data.assign(static_cast<std::size_t>(size) + 1, 0);
  std::uint32_t type = 0;
  std::uint32_t got = size;
  const RegResult read = Os().RegQueryValueExW(m_key.Get(), valueName, &type, m_data.data(), &got);
  if (read != kErrorSuccess) {
    m_strSkipReason = read == kErrorMoreData ? "the value grew while it was being read"
                                             : "the value cannot be read: " + Os().LastErrorText();
    m_data.clear();
    return false;
  }
  m_data.resize(got);
  m_head = item;
  m_head.type = type;
  m_nCursor = 0;
  m_nSize = got;
  m_nRemaining = got;
  return true;
}

std::uint32_t RegReader::Read(std::uint8_t* buffer) {
  const std::uint32_t count = std::min(m_nRemaining, kBlockSize);
  if (count == 0) return 0;
  std::memcpy(buffer, m_data.data() + m_nCursor, count);
  m_nCursor += count;
  m_nRemaining -= count;
  return count;
}

void RegReader::Close() {
  m_data.clear();
  m_data.shrink_to_fit();
  m_nCursor = 0;
  m_nSize = 0;
  m_nRemaining = 0;
  (void)m_key.Close();  // opened for reading only: nothing to lose
}

std::string RegReader::Describe(const RegItem& item) {
  return RegNode::Describe(item.root, TextFieldValue(item.subkey), TextFieldValue(item.valueName),
                           true);
}

}  // namespace qv
