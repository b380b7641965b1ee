// The handle types, flags and codes of the platform operations. The numeric values
// are those of the Windows API, because some of them travel inside archives (root
// key handles, registry value types) and the rest keep callers readable next to the
// Windows behaviour they imitate.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Files.
using FileHandle = std::int64_t;
inline constexpr FileHandle kInvalidHandle = -1;

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;

inline constexpr std::uint32_t kFileShareNone = 0;
inline constexpr std::uint32_t kFileShareRead = 1;
inline constexpr std::uint32_t kFileShareWrite = 2;

inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;

inline constexpr std::uint32_t kFileBegin = 0;
inline constexpr std::uint32_t kFileCurrent = 1;
inline constexpr std::uint32_t kFileEnd = 2;

// One entry of a folder listing.
struct FindData {
  std::u16string strName;  // bare name, Windows form
  bool bDirectory = false;
  bool bReparsePoint = false;  // a symbolic link (listed as a file, whatever it points to)
  std::uint64_t nFileSize = 0;  // of a file, or of what a link to a file points to
};
using FindHandle = std::int64_t;

inline constexpr int kCsidlFavorites = 6;

// GetFileAttributesW.
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;  // a symbolic link

// Registry. An open key is a handle as wide as a pointer, as a Windows HKEY is.
// The two roots are the predefined keys' 32-bit values, which archives carry; an
// implementation maps them to its own handles.
using RegKey = std::uintptr_t;
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;

inline constexpr std::uint32_t kKeyAllAccess = 0xF003Fu;
inline constexpr std::uint32_t kKeyRead = 0x20019u;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Registry results (the Windows error codes the callers distinguish).
using RegResult = long;
inline constexpr RegResult kErrorSuccess = 0;
inline constexpr RegResult kErrorFileNotFound = 2;
inline constexpr RegResult kErrorAccessDenied = 5;
inline constexpr RegResult kErrorInvalidHandle = 6;
inline constexpr RegResult kErrorNotEnoughMemory = 8;
inline constexpr RegResult kErrorInvalidParameter = 87;
inline constexpr RegResult kErrorMoreData = 234;
inline constexpr RegResult kErrorNoMoreItems = 259;
inline constexpr RegResult kErrorBadDb = 1009;
inline constexpr RegResult kErrorRegistryIo = 1016;

// SHCreateDirectoryExW results.
inline constexpr int kErrorAlreadyExists = 183;
inline constexpr int kErrorPathNotFound = 3;

// Windows and their messages. A window handle is whatever the front end registered.
using WindowHandle = std::uintptr_t;
inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::uint32_t WM_JOB_PROGRESS = kWmUser + 100;  // 1124
inline constexpr std::uint32_t WM_JOB_DONE = kWmUser + 101;      // 1125

// Longest path or name the archive's fixed fields hold, terminator excluded.
inline constexpr std::size_t kMaxPathUnits = 259;

}  // namespace qv
