// The walk that turns a source tree into the flat list the archive follows: all of
// a node's children first, then each child's subtree in turn. The root itself is not
// in the list.
#pragma once

#include <vector>

#include "store/store_report.h"

namespace qv {

// Node: ListChildren(children, skipped) appends the direct children in the
// platform's order and records entries it had to leave out.
template <class Node>
void WalkNodes(const Node& node, std::vector<Node>& list, std::vector<SkippedSource>& skipped) {
  std::vector<Node> children;
  // A node that cannot have or list children simply contributes none.
  (void)node.ListChildren(children, skipped);
  list.insert(list.end(), children.begin(), children.end());
  for (const Node& child : children) WalkNodes(child, list, skipped);
}

}  // namespace qv
