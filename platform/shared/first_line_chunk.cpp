#include "platform/shared/first_line_chunk.h"

#include <algorithm>

#include "platform/shared/last_error.h"

namespace qv {

LineChunk TakeLineChunk(std::string* line, const char* chunk, std::size_t got, std::size_t maxBytes,
                        const std::string& name) {
  const char* end = chunk + got;
  const char* feed = std::find(chunk, end, '\n');
  line->append(chunk, feed);
  if (line->size() > maxBytes) {
    SetLastErrorText("the first line of " + name + " is longer than " + std::to_string(maxBytes) + " bytes");
    return LineChunk::kTooLong;
  }
  return feed != end || got == 0 ? LineChunk::kDone : LineChunk::kMore;
}

}  // namespace qv
