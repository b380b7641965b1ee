// The walk that turns a source tree into the flat list the archive follows: all of
// a node's children first, then each child's subtree in turn. The root itself is not
// in the list.
#pragma once

#include <deque>
#include <vector>

#include "store/writer/store_report.h"

namespace qv {

// The walk's result. Chunks rather than one block: a list of 20,000 favorites of
// a kilobyte each must not need twice that while it grows.
template <class Node>
using NodeList = std::deque<Node>;

// Node: ListChildren(list, skipped) appends the direct children to the list in the
// platform's order and records entries it had to leave out. They go straight into
// the list: a key of 50,000 values must not be held twice on its way there.
//
// Depth first, without recursion: a hostile hive nests keys with empty names 259
// deep within the path limit, and a recursive walk would spend a stack frame on
// each. A node is read in place while its children are appended, which a deque
// allows: appending moves no element.
template <class Node>
void WalkNodes(const Node& root, NodeList<Node>& list, std::vector<SkippedSource>& skipped) {
  struct Range {
    std::size_t nNext, nEnd;  // children of one node still to be walked into
  };
  std::vector<Range> pending;
  std::size_t first = list.size();
  // A node that cannot have or list children simply contributes none.
  (void)root.ListChildren(list, skipped);
  pending.push_back({first, list.size()});
  while (!pending.empty()) {
    if (pending.back().nNext == pending.back().nEnd) {
      pending.pop_back();
      continue;
    }
    const std::size_t index = pending.back().nNext++;
    first = list.size();
    (void)list[index].ListChildren(list, skipped);
    pending.push_back({first, list.size()});
  }
}

}  // namespace qv
