// A temporary profile folder with the system's platform installed on it for one
// test (on Windows with a registry key of its own that plays HKEY_CURRENT_USER),
// and a window that records the job messages posted to it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace qv::test {

inline constexpr char16_t kIeKey[] = u"Software\\Microsoft\\Internet Explorer";

class ProfileFixture {
 public:
  ProfileFixture();
  ~ProfileFixture();
  ProfileFixture(const ProfileFixture&) = delete;
  ProfileFixture& operator=(const ProfileFixture&) = delete;

  const std::filesystem::path& ProfileDir() const { return m_profileDir; }
  std::filesystem::path FavoritesDir() const { return m_profileDir / "Favorites"; }
  std::filesystem::path HivePath() const { return m_profileDir / "NTUSER.DAT"; }
  // A scratch folder outside the profile, for archives and the like.
  std::filesystem::path Scratch(const std::string& name) const { return m_dir / name; }
  Platform& platform() { return *m_pPlatform; }

  // Writes a file below Favorites (relative path with '/'), creating folders, as the
  // demo profile is written (demo/profile_writing.h).
  void AddFavorite(const std::string& relativePath, const std::string& bytes);
  // Sets a value below HKEY_CURRENT_USER and commits it to NTUSER.DAT, as the demo
  // profile's settings are set.
  void SetValue(std::u16string_view subkey, std::u16string_view name, std::uint32_t type,
                const std::string& bytes);
  // Copies the shared real Windows hive into the profile. False when it is absent.
  bool UseSharedHive();

  // Windows form of a native path, through the installed platform.
  std::u16string WindowsPath(const std::filesystem::path& native);
  // Another platform on the same profile and settings, as another process sees
  // them; `classesHive` is its own classes hive where the system keeps one.
  std::unique_ptr<Platform> FreshPlatform(const std::filesystem::path& classesHive) const;

 private:
  TempDir m_dir;
  std::filesystem::path m_profileDir;
  std::shared_ptr<void> m_pRegistryRoot;  // Windows: the key that plays HKEY_CURRENT_USER
  std::unique_ptr<Platform> m_pPlatform;
  std::unique_ptr<ScopedPlatform> m_pScope;
};

struct PostedMessage {
  std::uint32_t message;
  std::uint64_t wParam;
  std::int64_t lParam;
  bool operator==(const PostedMessage&) const = default;
};

// Registers a window with the current platform; collects what is posted to it.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  WindowHandle Window() const { return m_window; }
  std::vector<PostedMessage> Messages() const;
  void Clear();

 private:
  Platform* m_pOs;
  WindowHandle m_window = 0;
  mutable std::mutex m_mutex;
  std::vector<PostedMessage> m_messages;
};

std::string Bytes(std::size_t count, std::uint32_t seed = 1);  // deterministic filler
std::string Utf16Bytes(std::u16string_view text);               // little-endian, no NUL

}  // namespace qv::test
