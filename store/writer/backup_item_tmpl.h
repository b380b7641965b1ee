// The one implementation of BackupItem, for both sources.
//
// Builder supplies: Store (its DataStore type), static GetName(), MakeRoot(),
// SumSizes(nodes), and Exclusion, made from the paths never to store and asked
// Excludes(node). Node supplies ListChildren (see backup_item_walk.h), ToItem(),
// SizeHint() (the size when the walk already knows it) and Describe() (the path
// shown to the user).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "store/writer/backup_item.h"
#include "store/writer/backup_item_walk.h"

namespace qv {

template <class Node, template <class> class StoreInitor, class Builder>
class BackupItemTmpl : public BackupItem,
                       public StoreInitor<typename Builder::Store>,
                       public Builder {
 public:
  using Store = typename Builder::Store;

  std::u16string GetName() override { return Builder::GetName(); }

  std::uint64_t GetSize() override {
    std::vector<SkippedSource> ignored;
    return Builder::SumSizes(Walk(ignored));
  }

  std::uint64_t Backup(const BackupRequest& request, StoreReport& report) override {
    std::vector<SkippedSource> skipped;
    NodeList<Node> nodes = Walk(skipped);
    Store store(request.strArchivePath, request.bCompress, request.bProtect, request.strPassword, request.pSealKey);
    this->InitStore(store);
    const typename Builder::Exclusion exclusion(request.excludedPaths);
    store.Reserve(nodes.size());
    // Each node gives way to its item at once: keeping both would double the
    // memory a large tree takes.
    for (; !nodes.empty(); nodes.pop_front()) {
      const Node& node = nodes.front();
      if (exclusion.Excludes(node)) {
        skipped.push_back({node.Describe(), "the archive being written"});
        continue;
      }
      store.AddItem(node.ToItem(), node.SizeHint());
    }
    const std::uint64_t stored = store.Store();
    report = store.TakeReport();
    report.skipped.insert(report.skipped.begin(), skipped.begin(), skipped.end());
    return stored;
  }

 private:
  NodeList<Node> Walk(std::vector<SkippedSource>& skipped) const {
    // Entries the platform could not list are kept per thread; start from none.
    (void)Os().TakeSkippedEntries();
    NodeList<Node> nodes;
    WalkNodes(Builder::MakeRoot(), nodes, skipped);
    for (SkippedEntry& entry : Os().TakeSkippedEntries()) {
      skipped.push_back({std::move(entry.strNativePath), std::move(entry.strReason)});
    }
    return nodes;
  }
};

}  // namespace qv
