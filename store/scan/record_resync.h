// Finding the next record after damage. The format has no markers, so a reader
// that lost the framing looks for bytes that read as a record head the way a
// writer makes them: kind code 1 or 2, text fields that end inside their 260
// units and hold only zeros after the end, flags of 0 or 1 and zero padding, a
// favorite's folder in Windows form, a settings key under a predefined root, and
// a first block head that fits the file. Random or compressed bytes pass that
// test with a vanishing chance; one real head in a stored favorite's content can.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "store/reader/archive_stream.h"

namespace qv {

// Bytes a plausibility check looks at: the longer head and the block head after it.
inline constexpr std::size_t kRecordProbeSize = kRegItemHeadSize + kBlockHeadSize;

// `bytes` start at the candidate: kRecordProbeSize of them, or all that are left
// before the end of the file, which lies `bytesToEnd` bytes from the candidate.
bool IsPlausibleRecordHead(std::span<const std::uint8_t> bytes, std::uint64_t bytesToEnd);

// Whether `bytes` (as above) read as a record head whose kind code or names are
// damaged: its flags and its first block head sit where a file head or a registry
// head has them. Bytes shifted by a wrong block length almost never do.
bool IsDamagedRecordHead(std::span<const std::uint8_t> bytes, std::uint64_t bytesToEnd);

// The offset of the first plausible record head at or after `from`, or nullopt
// when none lies before the end of the file (or the file cannot be read; the
// stream's ReadError() then says why). Leaves the stream anywhere.
std::optional<std::uint64_t> FindNextRecordHead(ArchiveStream& stream, std::uint64_t from);

}  // namespace qv
