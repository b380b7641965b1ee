// Blocks encoded and decoded on worker threads: the archive, the restored files and
// every progress post must be those of one thread doing it all in order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "jobs/backup_job.h"
#include "jobs/restore_job.h"
#include "store/block_pool.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

struct JobRun {
  std::string strArchive;
  std::vector<PostedMessage> backupPosts;
  std::map<std::string, std::string> restored;
  std::vector<PostedMessage> restorePosts;
};

JobRun BackupAndRestore(const char* threads, bool compress, bool protect) {
  BlockPool::SetWorkersAsked(threads);
  JobRun run;
  RestoreFixture target;
  {
    ProfileFixture source;
    std::string text;
    while (text.size() < 300000) {
      text += "URL=https://example.org/page/";
      text += std::to_string(text.size()) + "\r\n";
    }
    unsigned seed = 1;
    for (const std::size_t size : {0u, 1u, 102399u, 102400u, 102401u, 350000u}) {
      std::string name = "f";  // appended: g++ 12 -O3 warns falsely on "f" + std::string
      name += std::to_string(size) + ".bin";
      source.AddFavorite(name, Bytes(size, ++seed));
    }
    source.AddFavorite("Text/notes.txt", text);
    source.SetValue(kIeKey, u"Big", kRegBinary, Bytes(250000, 9));
    MessageRecorder window;
    BackupOptions options;
    options.strArchivePath = source.WindowsPath(target.ArchiveFile());
    options.bCompress = compress;
    options.bProtect = protect;
    options.strPassword = u"parallel";
    options.hNotifyWindow = window.Window();
    EXPECT_TRUE(RunBackup(options).bOk);
    run.backupPosts = window.Messages();
    run.strArchive = ReadFileBytes(target.ArchiveFile());
  }
  MessageRecorder window;
  const RestoreSummary summary = target.Restore(run.strArchive, u"parallel", false, window.Window());
  EXPECT_EQ(summary.outcome, RestoreOutcome::kOk);
  run.restorePosts = window.Messages();
  run.restored = SnapshotFiles(target.Profile().FavoritesDir());
  run.restored["IE value"] = target.CommittedValue(std::u16string(kIeKey), u"Big").value_or(StoredValue{}).data;
  return run;
}

TEST(ParallelBlocks, ThreadsChangeNeitherBytesNorProgress) {
  for (const bool compress : {false, true}) {
    for (const bool protect : {false, true}) {
      SCOPED_TRACE(std::string(compress ? "compressed" : "plain") + (protect ? ", protected" : ""));
      const JobRun alone = BackupAndRestore("0", compress, protect);
      const JobRun pooled = BackupAndRestore("3", compress, protect);
      EXPECT_TRUE(alone.strArchive == pooled.strArchive) << "the archives differ";
      EXPECT_EQ(alone.backupPosts, pooled.backupPosts);
      EXPECT_EQ(alone.restored, pooled.restored);
      EXPECT_EQ(alone.restorePosts, pooled.restorePosts);
      EXPECT_EQ(alone.restored.at("f350000.bin"), Bytes(350000, 7));
    }
  }
  BlockPool::SetWorkersAsked("");
}

}  // namespace
}  // namespace qv::test
