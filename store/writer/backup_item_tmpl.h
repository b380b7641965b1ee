// The one implementation of BackupItem, for both sources.
//
// Builder supplies: Store (its DataStore type), static GetName(), MakeRoot(),
// SumSizes(nodes), and Exclusion, made from the paths never to store and asked
// Excludes(node). Node supplies ListChildren (see backup_item_walk.h), ToItem(),
// SizeHint() (the size when the walk already knows it) and Describe() (the path
// shown to the user).
#pragma once

#include <cstdint>
#include <memory>
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

  StoreMeasure Prepare(const BackupRequest& request) override {
    auto prepared = std::make_unique<Prepared>();
    NodeList<Node> nodes = Walk(prepared->skipped);
    prepared->pStore =
        std::make_unique<Store>(request.strArchivePath, request.bCompress, request.bProtect, request.strPassword,
                                  request.pSealKey);
    Store& store = *prepared->pStore;
    this->InitStore(store);
    const typename Builder::Exclusion exclusion(request.excludedPaths);
    store.Reserve(nodes.size());
    // Each node gives way to its item at once: keeping both would double the
    // memory a large tree takes.
    for (; !nodes.empty(); nodes.pop_front()) {
      const Node& node = nodes.front();
      if (exclusion.Excludes(node)) {
        prepared->skipped.push_back({node.Describe(), "the archive being written"});
        continue;
      }
      store.AddItem(node.ToItem(), node.SizeHint());
    }
    const StoreMeasure measured = store.Measure();
    m_pPrepared = std::move(prepared);
    return measured;
  }

  std::uint64_t Backup(const BackupRequest& request, StoreReport& report) override {
    if (!m_pPrepared) (void)Prepare(request);  // its measure is Store's to use
    const std::unique_ptr<Prepared> prepared = std::move(m_pPrepared);
    const std::uint64_t stored = prepared->pStore->Store();
    report = prepared->pStore->TakeReport();
    report.skipped.insert(report.skipped.begin(), prepared->skipped.begin(), prepared->skipped.end());
    return stored;
  }

 private:
  // What Prepare found, waiting for Backup.
  struct Prepared {
    std::unique_ptr<Store> pStore;
    std::vector<SkippedSource> skipped;
  };

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

  std::unique_ptr<Prepared> m_pPrepared;
};

}  // namespace qv
