#include "platform/shared/last_error.h"

#include <utility>

#include "platform/shared/per_thread.h"

namespace qv {
namespace {

// The tag keeps this thread's text apart from any other std::string kept per thread.
struct LastError {
  std::string strText;
};

}  // namespace

void SetLastErrorText(std::string text) { PerThread<LastError>().strText = std::move(text); }
const std::string& LastErrorTextOfThread() { return PerThread<LastError>().strText; }

}  // namespace qv
