#include "store/scan/record_resync.h"

#include <algorithm>
#include <vector>

#include "platform/coding.h"
#include "platform/win_types.h"

namespace qv {
namespace {

constexpr std::size_t kSearchChunk = 64 * 1024;
constexpr std::size_t kKindSize = 4;
// The predefined root keys run from HKEY_CLASSES_ROOT to HKEY_DYN_DATA.
constexpr std::uint32_t kFirstRoot = 0x80000000u;
constexpr std::uint32_t kLastRoot = 0x80000006u;

// Text that ends inside its field, is not empty unless allowed, holds nothing
// after its end, and (for paths) no control characters.
bool WellFormed(const TextField& field, bool mayBeEmpty, bool isPath) {
  const auto end = std::find(field.begin(), field.end(), u'\0');
  if (end == field.end()) return false;
  if (end == field.begin() && !mayBeEmpty) return false;
  if (!std::all_of(end, field.end(), [](char16_t unit) { return unit == 0; })) return false;
  return !isPath || std::none_of(field.begin(), end, [](char16_t unit) { return unit < 0x20; });
}

// "%USERPROFILE%\...", "C:\..." or "\\server\...": how a writer stores a folder. A
// settings key read from the wrong offset ("Software\...") is none of these.
bool LooksLikeWindowsFolder(const TextField& folder) {
  if (folder[0] == u'%') return true;
  if (folder[0] == u'\\' && folder[1] == u'\\') return true;
  const char16_t drive = static_cast<char16_t>(folder[0] | 0x20);
  return drive >= u'a' && drive <= u'z' && folder[1] == u':' && folder[2] == u'\\';
}

bool FlagsWellFormed(const std::uint8_t* flags) {
  return flags[0] <= 1 && flags[1] <= 1 && flags[2] == 0 && flags[3] == 0;
}

bool FirstBlockHeadFits(std::span<const std::uint8_t> blockHead, std::uint64_t bytesAfter) {
  const std::uint8_t last = blockHead[0];
  const std::uint32_t size = DecodeFixed32(blockHead.data() + 4);
  if (last != 0) return size == 0;
  return size > 0 && size <= kMaxStoredBlockSize && size <= bytesAfter;
}

}  // namespace

bool IsPlausibleRecordHead(std::span<const std::uint8_t> bytes, std::uint64_t bytesToEnd) {
  if (bytes.size() < kKindSize) return false;
  const std::uint32_t kind = DecodeFixed32(bytes.data());
  const std::size_t headSize = kind == kFileItemKind ? kFileItemHeadSize
                               : kind == kRegItemKind ? kRegItemHeadSize
                                                      : 0;
  if (headSize == 0 || bytes.size() < headSize) return false;
  const std::span<const std::uint8_t> body = bytes.subspan(kKindSize, headSize - kKindSize);
  if (kind == kFileItemKind) {
    FileItemHead head;
    if (!DecodeFileItemHeadBody(body, &head)) return false;
    if (!WellFormed(head.item.folder, false, true) || !WellFormed(head.item.name, false, true)) return false;
    if (!LooksLikeWindowsFolder(head.item.folder)) return false;
    if (!FlagsWellFormed(body.data() + kFileItemSize)) return false;
  } else {
    RegItemHead head;
    if (!DecodeRegItemHeadBody(body, &head)) return false;
    if (head.item.root < kFirstRoot || head.item.root > kLastRoot) return false;
    if (!WellFormed(head.item.subkey, false, true) || !WellFormed(head.item.valueName, true, false)) return false;
    if (head.item.subkey[0] == u'\\') return false;
    if (!FlagsWellFormed(body.data() + kRegItemSize)) return false;
  }
  // A head that the end of the file cuts off after it is still a record to report.
  if (bytes.size() < headSize + kBlockHeadSize) return bytesToEnd < headSize + kBlockHeadSize;
  return FirstBlockHeadFits(bytes.subspan(headSize, kBlockHeadSize), bytesToEnd - headSize - kBlockHeadSize);
}

bool IsDamagedRecordHead(std::span<const std::uint8_t> bytes, std::uint64_t bytesToEnd) {
  for (const std::size_t headSize : {kFileItemHeadSize, kRegItemHeadSize}) {
    if (bytes.size() < headSize + kBlockHeadSize) continue;
    if (FlagsWellFormed(bytes.data() + headSize - 4) &&
        FirstBlockHeadFits(bytes.subspan(headSize, kBlockHeadSize), bytesToEnd - headSize - kBlockHeadSize)) {
      return true;
    }
  }
  return false;
}

std::optional<std::uint64_t> FindNextRecordHead(ArchiveStream& stream, std::uint64_t from) {
  const std::uint64_t fileSize = stream.FileSize();
  std::vector<std::uint8_t> window;
  for (std::uint64_t at = from; at + kKindSize <= fileSize;) {
    if (!stream.SeekTo(at) ||
        stream.ReadAvailable(kSearchChunk + kRecordProbeSize, &window) != ArchiveStream::Result::kOk) {
      return std::nullopt;
    }
    const std::size_t candidates = std::min(kSearchChunk, window.size());
    for (std::size_t i = 0; i < candidates; ++i) {
      // Most offsets fail on the kind code; only those go further.
      if (window[i] != kFileItemKind && window[i] != kRegItemKind) continue;
      if (i + kKindSize > window.size() || window[i + 1] != 0 || window[i + 2] != 0 || window[i + 3] != 0) continue;
      const std::size_t probe = std::min(kRecordProbeSize, window.size() - i);
      if (IsPlausibleRecordHead({window.data() + i, probe}, fileSize - (at + i))) return at + i;
    }
    if (window.size() <= kSearchChunk) break;
    at += candidates;
  }
  return std::nullopt;
}

}  // namespace qv
