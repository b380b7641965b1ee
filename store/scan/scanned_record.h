// What a scan of an archive finds: each record with its decoded head, where it lies,
// its sizes and whether it is sound, and the stretches of the file that hold no
// record. The scanner fills these; jobs turn them into listings and reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

namespace qv {

enum class RecordState {
  kSound,     // framed whole and, when asked, decoded
  kDamaged,   // a head or block that does not decode, or framing that is wrong
  kCutShort,  // the archive ends inside it
  kStopped,   // the scan was asked to stop inside it
};

struct ScannedRecord {
  std::uint64_t nOffset = 0;  // of its kind code
  std::uint32_t nKind = 0;    // kFileItemKind or kRegItemKind
  std::vector<std::uint8_t> head;  // the head after the kind code, as stored
  FileItemHead file;               // decoded, for kind 1
  RegItemHead value;               // decoded, for kind 2
  bool bHeadTerminated = false;    // every text field of the head ends inside it
  bool bCompressed = false;
  bool bProtected = false;
  bool bSealed = false;  // in a strongly protected archive: head and blocks sealed
  std::uint32_t nBlocks = 0;
  std::uint64_t nStoredBytes = 0;  // payload bytes as stored, block heads not counted
  std::uint64_t nPlainBytes = 0;   // decoded, or as the blocks' own fields state
  bool bPlainKnown = true;         // false when a block's plain size could not be told
  std::uint64_t nEndOffset = 0;    // first byte after its end marker
  RecordState state = RecordState::kSound;
  std::string strProblem;          // why it is not sound, with the offset in words
  std::uint64_t nProblemOffset = 0;
};

// Bytes that a scan passed over: unknown kind codes, or, when salvaging, what lay
// between a damaged record and the next plausible record head.
struct SkippedRange {
  std::uint64_t nOffset = 0;
  std::uint64_t nLength = 0;
  std::string strReason;
  bool bTrailing = false;  // it runs to the end of the file: no record follows
};

struct ScanReport {
  bool bOpenFailed = false;
  std::string strOpenError;
  std::uint64_t nFileSize = 0;
  std::vector<SkippedRange> skipped;
  std::uint64_t nUnknownKindCodes = 0;  // four-byte groups passed over without salvage
  std::uint64_t nSealBroken = 0;        // sealed record heads that did not open
  bool bEndedEarly = false;             // the archive ends inside a record or cannot be framed on
  std::string strEndReason;
  bool bStopped = false;

  bool Clean() const { return !bOpenFailed && skipped.empty() && !bEndedEarly && !bStopped; }
};

}  // namespace qv
