// Commits that must not lose what is already in the hive: values libhivex cannot
// name, a second writer's changes, and a hive's own permissions.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <gtest/gtest.h>
#include <future>
#include <thread>

#include "platform/shared/last_error.h"
#include "platform/linux/registry/hive_registry.h"
#include "tests/support/hive_test_tools.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using test::Bytes;

constexpr unsigned kNobody = 65534;
// A name libhivex stores as UTF-16 (it is not Latin-1), so one unit can be made a
// lone surrogate without changing the stored length.
constexpr char16_t kStoredName[] = u"\u0416Victim";
constexpr char16_t kUndecodableName[] = u"\xD800Victim";

class HiveCommitSafety : public ::testing::Test {
 protected:
  HiveCommitSafety() : m_strHive((m_dir / "NTUSER.DAT").string()) {}

  std::unique_ptr<HiveRegistry> Registry() const {
    return std::make_unique<HiveRegistry>(m_strHive, (m_dir / "classes.dat").string());
  }
  void Put(HiveRegistry& registry, std::u16string_view key, std::u16string_view name) {
    ASSERT_EQ(test::PutValue(registry, kHkeyCurrentUser, key, name, kRegSz,
                             test::Utf16Bytes(u"data")),
              kErrorSuccess)
        << LastErrorTextOfThread();
  }
  void CommitNew(std::u16string_view key, std::u16string_view name) {
    auto registry = Registry();
    Put(*registry, key, name);
    const Status committed = registry->RegCommit(kHkeyCurrentUser);
    ASSERT_TRUE(committed.ok()) << committed.message();
  }
  // The names a fresh reader finds in `key`; empty when the key is missing.
  std::vector<std::u16string> StoredNames(std::u16string_view key) const {
    auto registry = Registry();
    RegKey opened = 0;
    if (registry->RegOpenKeyExW(kHkeyCurrentUser, key, kKeyRead, &opened) != kErrorSuccess) {
      return {};
    }
    return test::ListValues(*registry, opened);
  }
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(
        std::filesystem::directory_iterator(m_dir.path()), std::filesystem::directory_iterator()));
  }

  test::TempDir m_dir;
  std::string m_strHive;
};

using Names = std::vector<std::u16string>;

TEST_F(HiveCommitSafety, ValueWithAnUndecodableNameIsNeverDropped) {
  auto writer = Registry();
  Put(*writer, u"Software\\Mixed", kStoredName);
  Put(*writer, u"Software\\Mixed", u"Plain");
  ASSERT_TRUE(writer->RegCommit(kHkeyCurrentUser).ok());
  ASSERT_EQ(test::PatchFileBytes(m_strHive, test::Utf16Units(kStoredName),
                                 test::Utf16Units(kUndecodableName)),
            1u);
  ASSERT_EQ(StoredNames(u"Software\\Mixed"), Names{u"Plain"});  // libhivex cannot name it
  const std::string before = test::ReadFileBytes(m_strHive);

  // Rewriting the key's values would delete the one no list can carry.
  auto registry = Registry();
  Put(*registry, u"Software\\Mixed", u"Added");
  const Status refused = registry->RegCommit(kHkeyCurrentUser);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("Software\\Mixed"), std::string::npos) << refused.message();
  EXPECT_EQ(test::ReadFileBytes(m_strHive), before);
  EXPECT_EQ(FilesInFolder(), 1u);
  RegKey key = 0;
  ASSERT_EQ(registry->RegOpenKeyExW(kHkeyCurrentUser, u"Software\\Mixed", kKeyRead, &key),
            kErrorSuccess);
  EXPECT_EQ(test::QueryValue(*registry, key, u"Added"),
            (test::StoredValue{kRegSz, test::Utf16Bytes(u"data")}));  // still pending
  EXPECT_FALSE(registry->RegCommit(kHkeyCurrentUser).ok());  // and still refused

  // What leaves the key's values alone still commits, and the value survives it.
  CommitNew(u"Software\\Mixed\\Child", u"Inner");
  CommitNew(u"Software\\Elsewhere", u"Other");
  EXPECT_EQ(StoredNames(u"Software\\Mixed\\Child"), Names{u"Inner"});
  EXPECT_EQ(StoredNames(u"Software\\Elsewhere"), Names{u"Other"});
  EXPECT_EQ(test::PatchFileBytes(m_strHive, test::Utf16Units(kUndecodableName),
                                 test::Utf16Units(kStoredName)),
            1u);
  EXPECT_EQ(StoredNames(u"Software\\Mixed"), (Names{kStoredName, u"Plain"}));
}

TEST_F(HiveCommitSafety, OverlappingCommitsOfOneHiveBothLand) {
  CommitNew(u"Software\\Base", u"Base");

  // Within one thread the second commit cannot wait for the first: it fails,
  // saying why, and keeps its changes for a retry.
  auto first = Registry();
  auto second = Registry();
  Put(*first, u"Software\\First", u"One");
  Put(*second, u"Software\\Second", u"Two");
  Status nested = Status::Ok();
  first->SetBeforeReplaceHook([&](const std::string&) {
    nested = second->RegCommit(kHkeyCurrentUser);
    return Status::Ok();
  });
  ASSERT_TRUE(first->RegCommit(kHkeyCurrentUser).ok());
  ASSERT_FALSE(nested.ok());
  EXPECT_NE(nested.message().find("in use"), std::string::npos) << nested.message();
  EXPECT_EQ(StoredNames(u"Software\\Second"), Names{});
  ASSERT_TRUE(second->RegCommit(kHkeyCurrentUser).ok());

  // From another thread the second commit waits, then merges into the first's result.
  auto third = Registry();
  auto fourth = Registry();
  Put(*third, u"Software\\Third", u"Three");
  Put(*fourth, u"Software\\Fourth", u"Four");
  Status concurrent = Status::Error("never ran");
  std::thread other;
  std::promise<void> waiting;
  fourth->SetLockBusyHook([&] { waiting.set_value(); });
  third->SetBeforeReplaceHook([&](const std::string&) {
    other = std::thread([&] { concurrent = fourth->RegCommit(kHkeyCurrentUser); });
    waiting.get_future().wait();  // the fourth commit waits for this one's lock
    return Status::Ok();
  });
  const Status committed = third->RegCommit(kHkeyCurrentUser);
  other.join();
  ASSERT_TRUE(committed.ok()) << committed.message();
  ASSERT_TRUE(concurrent.ok()) << concurrent.message();

  for (const auto& [key, name] : {std::pair{u"Software\\Base", u"Base"},
                                  {u"Software\\First", u"One"},
                                  {u"Software\\Second", u"Two"},
                                  {u"Software\\Third", u"Three"},
                                  {u"Software\\Fourth", u"Four"}}) {
    EXPECT_EQ(StoredNames(key), Names{name});
  }
  EXPECT_EQ(FilesInFolder(), 1u);  // the lock leaves nothing behind
}

TEST_F(HiveCommitSafety, HivePermissionsAreKeptAndCheckedBeforeWritesAreTaken) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  CommitNew(u"Software\\Base", u"Base");
  const auto modeOf = [&] {
    struct stat info {};
    EXPECT_EQ(::stat(m_strHive.c_str(), &info), 0);
    return info.st_mode & 07777;
  };

  // A read-only hive that may still be written keeps its mode.
  ASSERT_EQ(::chmod(m_strHive.c_str(), 0444), 0);
  CommitNew(u"Software\\ReadOnly", u"Root");
  EXPECT_EQ(modeOf(), 0444u);
  EXPECT_EQ(StoredNames(u"Software\\ReadOnly"), Names{u"Root"});

  // A group may write a hive whose owner may not; the committer owns the new file,
  // so the mode must come after libhivex has written it.
  ASSERT_EQ(::chmod(m_dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chown(m_strHive.c_str(), 0, kNobody), 0);
  ASSERT_EQ(::chmod(m_strHive.c_str(), 0464), 0);
  const auto commitAsNobody = [&] {
    auto registry = Registry();
    if (test::PutValue(*registry, kHkeyCurrentUser, u"Software\\Group", u"G", kRegDword,
                       {1, 0, 0, 0}) != kErrorSuccess) {
      return "refused: " + LastErrorTextOfThread();
    }
    const Status committed = registry->RegCommit(kHkeyCurrentUser);
    return committed.ok() ? std::string("ok") : committed.message();
  };
  EXPECT_EQ(test::RunAsUnprivileged(kNobody, commitAsNobody), "ok");
  EXPECT_EQ(modeOf(), 0464u);
  EXPECT_EQ(StoredNames(u"Software\\Group"), Names{u"G"});

  // What the commit could not replace is refused at the first write, with the reason.
  const auto checkAsNobody = [&] {
    const Status writable = Registry()->RegCheckWritable(kHkeyCurrentUser);
    return writable.ok() ? std::string("ok") : writable.message();
  };
  ASSERT_EQ(::chown(m_strHive.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(m_strHive.c_str(), 0444), 0);
  const std::string readOnlyFile = test::RunAsUnprivileged(kNobody, checkAsNobody);
  EXPECT_NE(readOnlyFile.find("NTUSER.DAT cannot be written: Permission denied"),
            std::string::npos)
      << readOnlyFile;
  ASSERT_EQ(::chmod(m_strHive.c_str(), 0644), 0);
  EXPECT_EQ(test::RunAsUnprivileged(kNobody, checkAsNobody), "ok");
  ASSERT_EQ(::chmod(m_dir.path().c_str(), 0755), 0);
  const std::string lockedFolder = test::RunAsUnprivileged(kNobody, checkAsNobody);
  EXPECT_NE(lockedFolder.find("does not take new files"), std::string::npos) << lockedFolder;
  ASSERT_EQ(::chmod(m_dir.path().c_str(), 0700), 0);
}

// Writes are checked once per round, so every commit, failed or not, must start a
// new one: a folder that stopped taking files refuses the next write.
TEST_F(HiveCommitSafety, EveryCommitEndsTheRoundOfCheckedWrites) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const std::string folder = m_dir.path().string();
  ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
  const auto roundsAsNobody = [&] {
    auto registry = Registry();
    std::string log;
    const auto put = [&](std::u16string_view name) {
      const bool taken = test::PutValue(*registry, kHkeyCurrentUser, u"Software\\Rounds", name,
                                        kRegNone, {}) == kErrorSuccess;
      log += taken ? "put " : "refused ";
    };
    const auto commit = [&] {
      log += registry->RegCommit(kHkeyCurrentUser).ok() ? "committed " : "failed ";
    };
    const auto folderTakesFiles = [&](bool takes) { ::chmod(folder.c_str(), takes ? 0755 : 0555); };
    put(u"A");
    commit();
    folderTakesFiles(false);
    put(u"B");
    folderTakesFiles(true);
    put(u"C");
    folderTakesFiles(false);
    commit();
    put(u"D");
    return log;
  };
  EXPECT_EQ(test::RunAsUnprivileged(kNobody, roundsAsNobody),
            "put committed refused put failed refused ");
  ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
  EXPECT_EQ(StoredNames(u"Software\\Rounds"), Names{u"A"});
}

TEST_F(HiveCommitSafety, MissingFoldersAreCreatedUnlessSomethingElseIsInTheWay) {
  HiveRegistry nested((m_dir / "data" / "deeper" / "NTUSER.DAT").string(),
                      (m_dir / "classes.dat").string());
  EXPECT_TRUE(nested.RegCheckWritable(kHkeyCurrentUser).ok());
  ASSERT_EQ(test::PutValue(nested, kHkeyCurrentUser, u"K", u"V", kRegNone, {}), kErrorSuccess);
  ASSERT_TRUE(nested.RegCommit(kHkeyCurrentUser).ok());
  EXPECT_TRUE(std::filesystem::exists(m_dir / "data" / "deeper" / "NTUSER.DAT"));

  test::WriteFileBytes(m_dir / "plain-file", "not a folder");
  HiveRegistry blocked((m_dir / "plain-file" / "sub" / "NTUSER.DAT").string(),
                       (m_dir / "classes.dat").string());
  const Status writable = blocked.RegCheckWritable(kHkeyCurrentUser);
  ASSERT_FALSE(writable.ok());
  EXPECT_NE(writable.message().find("plain-file"), std::string::npos) << writable.message();
  EXPECT_EQ(test::PutValue(blocked, kHkeyCurrentUser, u"K", u"V", kRegNone, {}),
            kErrorAccessDenied);
}

}  // namespace
}  // namespace qv
