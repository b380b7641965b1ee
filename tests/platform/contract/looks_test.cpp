// The operations that only look, so that a dry run may ask them: they answer as
// the writes they stand for would, and change nothing on the disk or in the
// registry, committed or not.
#include <filesystem>
#include <string>

#include "tests/platform/contract/platform_harness.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

TEST_P(PlatformContract, FolderChecksAnswerAsCreationWouldAndMakeNothing) {
  WriteFileBytes(Native("file"), "x");
  const std::pair<const char*, bool> cases[] = {
      {"", true}, {"missing/deeper", true}, {"file", false}, {"file/below", false}};
  for (const auto& [folder, takesFiles] : cases) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(os().CanWriteFolder(Win(folder)), takesFiles);
    if (!takesFiles) {
      EXPECT_FALSE(os().LastErrorText().empty());
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Native("missing")));
  EXPECT_TRUE(os().CanHoldName(u"Example.url"));
}

TEST_P(PlatformContract, AFreshProfileMayBeWrittenAndLookingMakesNoFavorites) {
  std::u16string favorites;
  ASSERT_FALSE(os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites));
  EXPECT_TRUE(os().CanWriteProfile()) << os().LastErrorText();
  EXPECT_FALSE(os().SHGetSpecialFolderPathW(kCsidlFavorites, false, &favorites));
}

TEST_P(PlatformContract, CheckedValuesAreNeitherSetNorCommitted) {
  const std::u16string key = harness().ScratchKey() + u"\\Checked";
  Status refused;
  const std::unique_ptr<RegistryWrites> writes = os().RegBeginWrites(kHkeyCurrentUser, &refused);
  ASSERT_TRUE(writes) << refused.message();
  bool atKey = true;
  EXPECT_EQ(writes->RegCheckValue(kHkeyCurrentUser, key, u"V", kRegSz, 4, &atKey), kErrorSuccess)
      << os().LastErrorText();
  EXPECT_FALSE(atKey);
  EXPECT_NE(writes->RegCheckValue(12345, key, u"V", kRegSz, 4, &atKey), kErrorSuccess);
  EXPECT_TRUE(atKey) << "a key handle that is none fails at the key";
  const Status committed = writes->Commit();
  EXPECT_TRUE(committed.ok()) << committed.message();
  RegKey opened = 0;
  EXPECT_EQ(os().RegOpenKeyExW(kHkeyCurrentUser, key, kKeyRead, &opened), kErrorFileNotFound);
}

}  // namespace
}  // namespace qv::test
