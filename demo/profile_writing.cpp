#include "demo/profile_writing.h"

#include <fstream>
#include <system_error>

#include "platform/coding.h"
#include "platform/linux/files/temp_files.h"
#include "platform/shared/last_error.h"
#include "platform/text/text.h"

namespace qv::demo {
namespace {

void AppendUtf16(std::string& out, std::u16string_view text) {
  for (const char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

Status KeyFailure(Platform& os, const char* what, const SettingValue& value) {
  return Status::Error(std::string(what) + " " + ToUtf8(value.strKey) + ": " + os.LastErrorText());
}

}  // namespace

Status WriteFavorite(const std::filesystem::path& profileDir, const std::string& relativePath,
                     const std::string& bytes) {
  const std::filesystem::path target = profileDir / "Favorites" / relativePath;
  const std::filesystem::path folder = target.parent_path();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Status::Error("cannot create the folder " + folder.string() + ": " + error.message());
  std::string temp;
  if (!CreateTempFileIn(folder.string(), TempFileMode::kPlainCreate, &temp)) {
    return Status::Error("cannot create a temporary file in " + folder.string() + ": " + LastErrorTextOfThread());
  }
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp, error);
      return Status::Error("cannot write " + temp);
    }
  }
  std::filesystem::rename(temp, target, error);
  if (error) {
    const std::string reason = error.message();
    std::filesystem::remove(temp, error);
    return Status::Error("cannot rename a temporary file to " + target.string() + ": " + reason);
  }
  return Status::Ok();
}

Status SetValues(Platform& os, const std::vector<SettingValue>& values) {
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = os.RegBeginWrites(kHkeyCurrentUser, &refused);
  if (!writes) return Status::Error("the registry takes no writes: " + refused.message());
  for (const SettingValue& value : values) {
    RegKey key = 0;
    if (writes->RegCreateKeyExW(kHkeyCurrentUser, value.strKey, kKeyAllAccess, &key) != kErrorSuccess) {
      return KeyFailure(os, "cannot create the key", value);
    }
    const RegResult set = writes->RegSetValueExW(key, value.strName, value.nType,
                                                 reinterpret_cast<const std::uint8_t*>(value.strBytes.data()),
                                                 static_cast<std::uint32_t>(value.strBytes.size()));
    Status failure = set == kErrorSuccess ? Status::Ok() : KeyFailure(os, "cannot set a value of", value);
    (void)os.RegCloseKey(key);  // a fresh key of pending writes: closing it changes nothing
    if (!failure.ok()) return failure;
  }
  // Nothing reached the hive before this: a failure above leaves it as it was.
  return writes->Commit();
}

std::string RegSzBytes(std::u16string_view text) {
  std::string out;
  AppendUtf16(out, text);
  out.append(2, '\0');
  return out;
}

std::string RegMultiSzBytes(const std::vector<std::u16string>& texts) {
  std::string out;
  for (const std::u16string& text : texts) out += RegSzBytes(text);
  out.append(2, '\0');
  return out;
}

std::string RegDwordBytes(std::uint32_t value) {
  std::uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string RegQwordBytes(std::uint64_t value) {
  std::uint8_t bytes[8];
  EncodeFixed64(bytes, value);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace qv::demo
