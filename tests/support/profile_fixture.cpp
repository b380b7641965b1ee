#include "tests/support/profile_fixture.h"

#include <stdexcept>

#include "demo/profile_writing.h"
#include "platform/linux/linux_platform.h"
#include "platform/text/text.h"

namespace qv::test {

ProfileFixture::ProfileFixture() : m_profileDir(m_dir / "profile") {
  std::filesystem::create_directories(FavoritesDir());
  std::filesystem::create_directories(Scratch("tmp"));
  LinuxPlatformOptions options;
  options.strTempFolder = Scratch("tmp").string();
  options.strProfileDir = m_profileDir.string();
  options.strClassesHive = (m_dir / "classes.dat").string();
  m_pPlatform = MakeLinuxPlatform(options);
  m_pScope = std::make_unique<ScopedPlatform>(*m_pPlatform);
}

ProfileFixture::~ProfileFixture() = default;

void ProfileFixture::AddFavorite(const std::string& relativePath, const std::string& bytes) {
  if (Status written = demo::WriteFavorite(m_profileDir, relativePath, bytes); !written) {
    throw std::runtime_error("AddFavorite: " + written.message());
  }
}

void ProfileFixture::SetValue(std::u16string_view subkey, std::u16string_view name,
                              std::uint32_t type, const std::string& bytes) {
  const demo::SettingValue value{std::u16string(subkey), std::u16string(name), type, bytes};
  if (Status set = demo::SetValues(*m_pPlatform, {value}); !set) {
    throw std::runtime_error("SetValue: " + set.message());
  }
}

bool ProfileFixture::UseSharedHive() {
  const std::filesystem::path shared = std::filesystem::path(QUORVEL_SHARED_DATA_DIR) / "NTUSER.DAT";
  if (!std::filesystem::exists(shared)) return false;
  std::filesystem::copy_file(shared, HivePath(), std::filesystem::copy_options::overwrite_existing);
  // The platform opened no hive yet or must see the new one: make it afresh.
  m_pScope.reset();
  LinuxPlatformOptions options;
  options.strProfileDir = m_profileDir.string();
  options.strClassesHive = (m_dir / "classes.dat").string();
  m_pPlatform = MakeLinuxPlatform(options);
  m_pScope = std::make_unique<ScopedPlatform>(*m_pPlatform);
  return true;
}

std::u16string ProfileFixture::WindowsPath(const std::filesystem::path& native) {
  return m_pPlatform->ToWindowsPath(native.string());
}

MessageRecorder::MessageRecorder() : m_pOs(&Os()) {
  m_window = m_pOs->RegisterWindow(
      [this](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({message, wParam, lParam});
      });
}

MessageRecorder::~MessageRecorder() { m_pOs->UnregisterWindow(m_window); }

std::vector<PostedMessage> MessageRecorder::Messages() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_messages;
}

void MessageRecorder::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_messages.clear();
}

std::string Bytes(std::size_t count, std::uint32_t seed) {
  std::string out(count, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (char& c : out) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return out;
}

std::string Utf16Bytes(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  return out;
}

}  // namespace qv::test
