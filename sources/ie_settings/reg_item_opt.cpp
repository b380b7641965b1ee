#include "sources/ie_settings/reg_item_opt.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "platform/unique_handles.h"
#include "sources/ie_settings/reg_restore_context.h"
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
  m_bTargetExists = ValueExists() || (m_options.pRegContext != nullptr &&
                                      m_options.pRegContext->WasSet(m_record.item.root,
                                                                    TextFieldValue(m_record.item.subkey),
                                                                    TextFieldValue(m_record.item.valueName)));
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
  RegistryWrites* writes = m_options.pRegistryWrites;
  if (writes == nullptr) return Refuse("the registry is not open for writing");
  const std::u16string subkey = TextFieldValue(m_record.item.subkey);
  const std::u16string name = TextFieldValue(m_record.item.valueName);
  if (m_options.bDryRun) {
    // A live registry would keep a value set to learn whether it fits; the
    // registry tells instead, by the rules that setting it would meet.
    bool atKey = false;
    if (writes->RegCheckValue(m_record.item.root, subkey, name, m_record.item.type, m_nCollected, &atKey) !=
        kErrorSuccess) {
      return Refuse((atKey ? "cannot create the key: " : "cannot set the value: ") + Os().LastErrorText());
    }
  } else {
    RegKey opened = 0;
    if (writes->RegCreateKeyExW(m_record.item.root, subkey, kKeyAllAccess, &opened) != kErrorSuccess) {
      // A key that exists, but whose name the registry would not make anew, still
      // takes values; when it does not exist either, creating it is what failed.
      const std::string createFailure = Os().LastErrorText();
      if (Os().RegOpenKeyExW(m_record.item.root, subkey, kKeyAllAccess, &opened) != kErrorSuccess) {
        return Refuse("cannot create the key: " + createFailure);
      }
    }
    // The value is taken once set; closing the key cannot undo it.
    const UniqueRegKey key(opened);
    if (writes->RegSetValueExW(key.Get(), name, m_record.item.type, m_data.data(),
                               static_cast<std::uint32_t>(m_data.size())) != kErrorSuccess) {
      return Refuse("cannot set the value: " + Os().LastErrorText());
    }
  }
  if (m_options.pRegContext != nullptr) m_options.pRegContext->NoteSet(m_record.item.root, subkey, name);
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
