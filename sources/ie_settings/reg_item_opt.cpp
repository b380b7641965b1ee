#include "sources/ie_settings/reg_item_opt.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"
#include "sources/restore_confinement.h"

namespace qv {

RegItemOpt::RegItemOpt(RestoreOptions options) : m_options(std::move(options)) {}

std::int32_t RegItemOpt::GetHeadSize() const { return static_cast<std::int32_t>(kRegItemHeadSize); }

bool RegItemOpt::SetHead(std::span<const std::uint8_t> body) {
  m_bHeadSet = DecodeRegItemHeadBody(body, &m_record);
  m_record.kind = kRegItemKind;
  return m_bHeadSet;
}

std::uint8_t RegItemOpt::IsProtected() const { return m_record.isProtected; }
std::uint8_t RegItemOpt::IsCompressed() const { return m_record.compressed; }

bool RegItemOpt::Refuse(std::string reason) {
  m_strSkipReason = std::move(reason);
  return false;
}

bool RegItemOpt::ValueExists() const {
  RegKey opened = 0;
  if (Os().RegOpenKeyExW(m_record.item.root, TextFieldValue(m_record.item.subkey), kKeyRead, &opened) !=
      kErrorSuccess) {
    return false;
  }
  const UniqueRegKey key(opened);
  std::uint32_t size = 0;
  return Os().RegQueryValueExW(key.Get(), TextFieldValue(m_record.item.valueName), nullptr, nullptr,
                               &size) == kErrorSuccess;
}

bool RegItemOpt::Begin() {
  if (!m_bHeadSet) return Refuse("the record head could not be read");
  if (std::string problem = SettingsKeyProblem(m_record.item.root, TextFieldValue(m_record.item.subkey));
      !problem.empty()) {
    return Refuse(problem);
  }
  if (!m_options.strRegistryBlocked.empty()) return Refuse(m_options.strRegistryBlocked);
  m_bTargetExists = ValueExists();
  m_bBegun = true;
  return true;
}

std::uint32_t RegItemOpt::Write(const std::uint8_t* data, std::uint32_t length) {
  if (!m_bBegun || m_bTooLarge || length == 0) return 0;
  if (length > kMaxRegValueSize - m_nCollected) {
    m_bTooLarge = true;
    m_data.clear();
    m_data.shrink_to_fit();
    m_strSkipReason = "the value's data exceed " + std::to_string(kMaxRegValueSize) + " bytes";
    return 0;
  }
  m_nCollected += length;
  // A dry run only needs to know that the value fits.
  if (!m_options.bDryRun) m_data.insert(m_data.end(), data, data + length);
  return length;
}

bool RegItemOpt::End() {
  if (!m_bBegun || m_bTooLarge) return false;
  m_bBegun = false;
  if (m_options.bDryRun) return true;
  RegistryWrites* writes = m_options.pRegistryWrites;
  if (writes == nullptr) return Refuse("the registry is not open for writing");
  const std::u16string subkey = TextFieldValue(m_record.item.subkey);
  RegKey opened = 0;
  if (writes->RegCreateKeyExW(m_record.item.root, subkey, kKeyAllAccess, &opened) != kErrorSuccess &&
      Os().RegOpenKeyExW(m_record.item.root, subkey, kKeyAllAccess, &opened) != kErrorSuccess) {
    return Refuse("cannot create the key: " + Os().LastErrorText());
  }
  // The value is taken once set; closing the key cannot undo it.
  const UniqueRegKey key(opened);
  if (writes->RegSetValueExW(key.Get(), TextFieldValue(m_record.item.valueName), m_record.item.type,
                             m_data.data(), static_cast<std::uint32_t>(m_data.size())) != kErrorSuccess) {
    return Refuse("cannot set the value: " + Os().LastErrorText());
  }
  return true;
}

void RegItemOpt::Discard() {
  m_bBegun = false;
  m_nCollected = 0;
  m_data.clear();
  m_data.shrink_to_fit();
}

std::string RegItemOpt::SkipReason() const { return m_strSkipReason; }

std::string RegItemOpt::Describe() const {
  char root[32] = "HKEY_CURRENT_USER";
  if (m_record.item.root != kHkeyCurrentUser) {
    std::snprintf(root, sizeof root, "root 0x%08X", static_cast<unsigned>(m_record.item.root));
  }
  const std::u16string name = TextFieldValue(m_record.item.valueName);
  return std::string("setting ") + root + "\\" + ToUtf8(TextFieldValue(m_record.item.subkey)) + " [" +
         (name.empty() ? std::string("(default)") : ToUtf8(name)) + "]";
}

bool RegItemOpt::TargetExists() const { return m_bTargetExists; }

}  // namespace qv
