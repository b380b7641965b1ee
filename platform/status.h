// Status: the result of an operation that can fail for a reason worth telling.
// Cheap to copy when ok; carries one message otherwise. The engine never throws
// for an expected failure: it returns one of these (or a plain bool/count where
// the caller only needs to know whether it worked).
#pragma once

#include <string>
#include <utility>

namespace qv {

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !m_bFailed; }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return m_strMessage; }

 private:
  explicit Status(std::string message) : m_bFailed(true), m_strMessage(std::move(message)) {}

  bool m_bFailed = false;
  std::string m_strMessage;
};

}  // namespace qv
