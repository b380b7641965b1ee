#include "platform/shared/last_error.h"

#include <utility>

namespace qv {
namespace {
thread_local std::string t_lastError;
}

void SetLastErrorText(std::string text) { t_lastError = std::move(text); }
const std::string& LastErrorTextOfThread() { return t_lastError; }

}  // namespace qv
