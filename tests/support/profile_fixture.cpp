#include "tests/support/profile_fixture.h"

#include <stdexcept>

#include "platform/text/text.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/temp_dir.h"
#else
#include "demo/profile_writing.h"
#include "platform/linux/linux_platform.h"
#endif

namespace qv::test {
namespace {

std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

ProfileFixture::ProfileFixture() : m_profileDir(m_dir / "profile") {
  std::filesystem::create_directories(FavoritesDir());
  std::filesystem::create_directories(Scratch("tmp"));
#ifdef _WIN32
  m_pRegistryRoot = std::make_shared<ScratchRegistryRoot>();
#endif
  m_pPlatform = FreshPlatform(m_dir / "classes.dat");
  m_pScope = std::make_unique<ScopedPlatform>(*m_pPlatform);
}

std::unique_ptr<Platform> ProfileFixture::FreshPlatform(const std::filesystem::path& classesHive) const {
#ifdef _WIN32
  (void)classesHive;  // the classes are below the key that plays HKEY_CURRENT_USER
  std::u16string profile = FromUtf8(Utf8Path(m_profileDir));
  for (char16_t& unit : profile) {
    if (unit == u'/') unit = u'\\';
  }
  std::u16string temp = FromUtf8(Utf8Path(Scratch("tmp")));
  for (char16_t& unit : temp) {
    if (unit == u'/') unit = u'\\';
  }
  return MakeWin32Platform(
      {profile, static_cast<const ScratchRegistryRoot*>(m_pRegistryRoot.get())->Key(), std::move(temp)});
#else
  LinuxPlatformOptions options;
  options.strTempFolder = Scratch("tmp").string();
  options.strProfileDir = m_profileDir.string();
  options.strClassesHive = classesHive.string();
  return MakeLinuxPlatform(options);
#endif
}

ProfileFixture::~ProfileFixture() = default;

#ifdef _WIN32
// The demo profile's writers are the Linux build's (make run); here the fixture
// writes the file itself and sets the value through the platform's registry.
void ProfileFixture::AddFavorite(const std::string& relativePath, const std::string& bytes) {
  WriteFileBytes(FavoritesDir() / relativePath, bytes);
}

void ProfileFixture::SetValue(std::u16string_view subkey, std::u16string_view name,
                              std::uint32_t type, const std::string& bytes) {
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = m_pPlatform->RegBeginWrites(kHkeyCurrentUser, &refused);
  if (!writes) throw std::runtime_error("RegBeginWrites: " + refused.message());
  RegKey key = 0;
  if (writes->RegCreateKeyExW(kHkeyCurrentUser, subkey, kKeyAllAccess, &key) != kErrorSuccess) {
    throw std::runtime_error("RegCreateKeyExW: " + m_pPlatform->LastErrorText());
  }
  const auto result = writes->RegSetValueExW(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             static_cast<std::uint32_t>(bytes.size()));
  (void)m_pPlatform->RegCloseKey(key);  // a failed close of a fresh key changes nothing here
  if (result != kErrorSuccess) throw std::runtime_error("RegSetValueExW: " + m_pPlatform->LastErrorText());
  if (Status committed = writes->Commit(); !committed) throw std::runtime_error("Commit: " + committed.message());
}
#else
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
#endif

bool ProfileFixture::UseSharedHive() {
#ifdef _WIN32
  return false;  // the live registry loads no hive file
#else
  const std::filesystem::path shared = std::filesystem::path(QUORVEL_SHARED_DATA_DIR) / "NTUSER.DAT";
  if (!std::filesystem::exists(shared)) return false;
  std::filesystem::copy_file(shared, HivePath(), std::filesystem::copy_options::overwrite_existing);
  // The platform opened no hive yet or must see the new one: make it afresh.
  m_pScope.reset();
  m_pPlatform = FreshPlatform(m_dir / "classes.dat");
  m_pScope = std::make_unique<ScopedPlatform>(*m_pPlatform);
  return true;
#endif
}

std::u16string ProfileFixture::WindowsPath(const std::filesystem::path& native) {
  return m_pPlatform->ToWindowsPath(Utf8Path(native));
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
