// The walk that turns a source tree into the flat list the archive follows: all of
// a node's children first, then each child's subtree in turn. The root itself is not
// in the list.
#pragma once

#include <deque>
#include <vector>

#include "store/store_report.h"

namespace qv {

// The walk's result. Chunks rather than one block: a list of 20,000 favorites of
// a kilobyte each must not need twice that while it grows.
template <class Node>
using NodeList = std::deque<Node>;

// Node: ListChildren(children, skipped) appends the direct children in the
// platform's order and records entries it had to leave out. List: NodeList or any
// sequence with insert at the end.
template <class Node, class List>
void WalkNodes(const Node& node, List& list, std::vector<SkippedSource>& skipped) {
  std::vector<Node> children;
  // A node that cannot have or list children simply contributes none.
  (void)node.ListChildren(children, skipped);
  list.insert(list.end(), children.begin(), children.end());
  for (const Node& child : children) WalkNodes(child, list, skipped);
}

}  // namespace qv
