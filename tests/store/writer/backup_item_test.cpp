// The generic item: the walk's order, and what the item hands its store.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "platform/text/text.h"
#include "store/writer/backup_item_tmpl.h"
#include "store/writer/backup_item_walk.h"
#include "store/writer/mfc_store_initor.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

// A tree held in memory: node name -> children, in listing order.
std::map<std::u16string, std::vector<std::u16string>> g_tree;

struct FakeNode {
  std::u16string path;
  bool ListChildren(NodeList<FakeNode>& children, std::vector<SkippedSource>& skipped) const {
    const auto found = g_tree.find(path);
    if (found == g_tree.end()) return false;
    for (const std::u16string& name : found->second) {
      if (name == u"unlistable") {
        skipped.push_back({"unlistable", "test"});
        continue;
      }
      children.push_back({path.empty() ? name : path + u"\\" + name});
    }
    return true;
  }
  std::u16string ToItem() const { return path; }
  std::optional<std::uint64_t> SizeHint() const { return std::nullopt; }
  std::u16string FullPath() const { return path; }
  std::string Describe() const { return ToUtf8(path); }
};

// What the last store was given, kept after the item has destroyed it.
struct SeenByStore {
  std::u16string archive;
  bool compress = false, protect = false;
  std::u16string password;
  WindowHandle window = 0;
  std::uint32_t message = 0;
  const std::atomic<bool>* stopFlag = nullptr;
  std::vector<std::u16string> items;
};
SeenByStore g_seen;

struct FakeStore {
  FakeStore(std::u16string archivePath, bool bCompress, bool bProtect, std::u16string strPassword,
            const SealKey* /*sealKey*/ = nullptr)
      : archive(std::move(archivePath)), compress(bCompress), protect(bProtect), password(std::move(strPassword)) {}
  void SetNotifyWindow(WindowHandle w, std::uint32_t m) { window = w, message = m; }
  void SetStopFlag(const std::atomic<bool>* flag) { stopFlag = flag; }
  void Reserve(std::size_t) {}
  void AddItem(const std::u16string& item, std::optional<std::uint64_t>) { items.push_back(item); }
  std::uint64_t Store() {
    g_seen = {archive, compress, protect, password, window, message, stopFlag, items};
    StoreReport r;
    r.nRecords = items.size();
    report = r;
    return 77;
  }
  StoreReport TakeReport() { return report; }

  std::u16string archive;
  bool compress, protect;
  std::u16string password;
  WindowHandle window = 0;
  std::uint32_t message = 0;
  const std::atomic<bool>* stopFlag = nullptr;
  std::vector<std::u16string> items;
  StoreReport report;
};

struct FakeBuilder {
  using Store = FakeStore;
  static std::u16string GetName() { return u"Fake"; }
  static FakeNode MakeRoot() { return {u""}; }
  static std::uint64_t SumSizes(const NodeList<FakeNode>& nodes) { return nodes.size() * 10; }
  struct Exclusion {
    explicit Exclusion(const std::vector<std::u16string>& excluded) : paths(excluded) {}
    bool Excludes(const FakeNode& node) const {
      return std::find(paths.begin(), paths.end(), node.path) != paths.end();
    }
    std::vector<std::u16string> paths;
  };
};

using FakeItem = BackupItemTmpl<FakeNode, MFCStoreInitor, FakeBuilder>;

std::vector<std::u16string> Walk() {
  NodeList<FakeNode> list;
  std::vector<SkippedSource> skipped;
  WalkNodes(FakeBuilder::MakeRoot(), list, skipped);
  std::vector<std::u16string> paths;
  for (const FakeNode& node : list) paths.push_back(node.path);
  return paths;
}

TEST(BackupItemWalk, EveryFoldersEntriesComeBeforeTheirSubtrees) {
  g_tree = {{u"", {u"A", u"B"}}, {u"A", {u"a.url"}}, {u"B", {u"b.url"}}};
  EXPECT_EQ(Walk(), (std::vector<std::u16string>{u"A", u"B", u"A\\a.url", u"B\\b.url"}));

  g_tree = {{u"", {u"A", u"c.url", u"D"}},
            {u"A", {u"x.url", u"B"}},
            {u"A\\B", {u"y.url"}},
            {u"D", {u"z.url"}}};
  EXPECT_EQ(Walk(), (std::vector<std::u16string>{u"A", u"c.url", u"D", u"A\\x.url", u"A\\B",
                                                 u"A\\B\\y.url", u"D\\z.url"}));
}

TEST(BackupItemTmpl, HandsEveryNodeButTheExcludedToOneStore) {
  ProfileFixture profile;  // the walk drains the platform's skipped entries
  g_tree = {{u"", {u"A", u"archive.qvl", u"unlistable"}}, {u"A", {u"x"}}};
  std::atomic<bool> stop{false};
  FakeItem item;
  item.SetNotifyWindow(5, WM_JOB_PROGRESS);
  item.SetStopFlag(&stop);

  EXPECT_EQ(item.GetName(), u"Fake");
  EXPECT_EQ(item.GetSize(), 30u);

  BackupRequest request;
  request.strArchivePath = u"Z:\\out.qvl";
  request.bCompress = true;
  request.bProtect = true;
  request.strPassword = u"secret";
  request.excludedPaths = {u"archive.qvl"};
  StoreReport report;
  EXPECT_EQ(item.Backup(request, report), 77u);
  const SeenByStore& store = g_seen;
  EXPECT_EQ(store.archive, u"Z:\\out.qvl");
  EXPECT_TRUE(store.compress && store.protect);
  EXPECT_EQ(store.password, u"secret");
  EXPECT_EQ(store.window, 5u);
  EXPECT_EQ(store.message, WM_JOB_PROGRESS);
  EXPECT_EQ(store.stopFlag, &stop);
  EXPECT_EQ(store.items, (std::vector<std::u16string>{u"A", u"A\\x"}));
  EXPECT_EQ(report.nRecords, 2u);
  ASSERT_EQ(report.skipped.size(), 2u);
  EXPECT_EQ(report.skipped[0].strPath, "unlistable");
  EXPECT_EQ(report.skipped[1].strPath, "archive.qvl");
  EXPECT_EQ(report.skipped[1].strReason, "the archive being written");
}

}  // namespace
}  // namespace qv::test
