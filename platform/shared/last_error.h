// The calling thread's last failure text, behind Platform::LastErrorText().
#pragma once

#include <string>

namespace qv {

void SetLastErrorText(std::string text);
const std::string& LastErrorTextOfThread();

}  // namespace qv
