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
template <class Node>
void WalkNodes(const Node& node, NodeList<Node>& list, std::vector<SkippedSource>& skipped) {
  const std::size_t first = list.size();
  // A node that cannot have or list children simply contributes none.
  (void)node.ListChildren(list, skipped);
  const std::size_t end = list.size();
  // By index, with a copy: the list grows below us.
  for (std::size_t i = first; i < end; ++i) WalkNodes(Node(list[i]), list, skipped);
}

}  // namespace qv
