// A factory keyed by the code of what it makes; the archive reader keeps a list of
// them and asks the first whose key matches a record's kind code.
#pragma once

#include <memory>

namespace qv {

template <typename Product, typename Key>
class Factory {
 public:
  virtual ~Factory() = default;
  virtual Key GetKey() const = 0;
  // A fresh product, or null when none could be made.
  virtual std::unique_ptr<Product> Create() = 0;
};

}  // namespace qv
