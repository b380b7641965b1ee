// libhivex reports failures through errno only; this turns one into a sentence.
#pragma once

#include <string>

namespace qv {

std::string DescribeHivexError(int errnoValue);

}  // namespace qv
