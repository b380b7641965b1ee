// The first line of a stream read chunk by chunk within a bound. Each platform
// reads in its own way and hands every chunk here, so the line ends, and a line
// too long is refused, alike everywhere.
#pragma once

#include <cstddef>
#include <string>

namespace qv {

enum class LineChunk { kMore, kDone, kTooLong };

// Appends what `chunk` holds before a line feed to *line. kDone at a line feed or
// at the end (`got` 0); kTooLong, with the thread's failure text naming `name`,
// once the line passes `maxBytes`; else kMore.
LineChunk TakeLineChunk(std::string* line, const char* chunk, std::size_t got, std::size_t maxBytes,
                        const std::string& name);

}  // namespace qv
