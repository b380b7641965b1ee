#include "platform/win32/files/folder_listing.h"

#include <windows.h>

#include <memory>

#include "platform/shared/last_error.h"
#include "platform/shared/skipped_entries.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace qv {
namespace {

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// What opening a link to a file reads: that file's size. One that leads nowhere
// has none.
std::uint64_t SizeThroughLink(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size{};
  const bool known = GetFileSizeEx(file, &size);
  CloseHandle(file);
  return known ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

}  // namespace

struct FolderListings::Listing {
  HANDLE hFind = INVALID_HANDLE_VALUE;
  std::u16string strFolder;
  std::string strShownFolder;
  int nDotEntriesGiven = 0;
  bool bHavePending = false;  // FindFirstFileW's entry, not yet handed over
  WIN32_FIND_DATAW pending{};

  ~Listing() {
    if (hFind != INVALID_HANDLE_VALUE) FindClose(hFind);
  }

  bool NextEntry(FindData* found) {
    // Windows gives the dot entries where it keeps them (first on NTFS, nowhere in
    // a drive's root); the contract wants them first, always.
    if (nDotEntriesGiven < 2) {
      found->strName = nDotEntriesGiven == 0 ? u"." : u"..";
      found->bDirectory = true;
      found->bReparsePoint = false;
      found->nFileSize = 0;
      ++nDotEntriesGiven;
      return true;
    }
    for (;;) {
      WIN32_FIND_DATAW entry;
      if (bHavePending) {
        entry = pending;
        bHavePending = false;
      } else if (hFind == INVALID_HANDLE_VALUE || !FindNextFileW(hFind, &entry)) {
        const DWORD error = hFind == INVALID_HANDLE_VALUE ? ERROR_NO_MORE_FILES : GetLastError();
        if (error == ERROR_NO_MORE_FILES) {
          SetLastErrorText("no more entries in " + strShownFolder);
        } else {
          SetLastErrorFromWindows("cannot list", strShownFolder, error);
        }
        return false;
      }
      if (IsDotEntry(entry.cFileName)) continue;
      const std::u16string name = FromWide(entry.cFileName);
      if (strFolder.size() + name.size() > kMaxPathUnits) {
        NoteSkippedEntry({ToUtf8(strFolder + name),
                          "its path takes more than " + std::to_string(kMaxPathUnits) +
                              " units, more than an archive holds"});
        continue;
      }
      const bool reparse = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      found->strName = name;
      // A link or a junction is listed as a file, so that a walk never follows it.
      found->bDirectory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !reparse;
      found->bReparsePoint = reparse;
      found->nFileSize = 0;
      if (!found->bDirectory) {
        found->nFileSize = reparse ? SizeThroughLink(Wide(strFolder + name))
                                   : (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
      }
      return true;
    }
  }
};

FolderListings::~FolderListings() {
  for (auto& [value, listing] : m_listings.TakeAll()) delete listing;
}

FindHandle FolderListings::First(const std::u16string& folder, FindData* found) {
  auto listing = std::make_unique<Listing>();
  listing->strFolder = folder;
  listing->strShownFolder = ToUtf8(folder.substr(0, folder.size() - 1));
  const std::wstring search = Wide(folder) + L"*";
  listing->hFind = FindFirstFileExW(search.c_str(), FindExInfoBasic, &listing->pending, FindExSearchNameMatch,
                                    nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (listing->hFind == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A drive's root that holds nothing at all has no entry, not even the dots.
    const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    if (error != ERROR_FILE_NOT_FOUND || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      SetLastErrorFromWindows("cannot list", listing->strShownFolder, error);
      return kInvalidHandle;
    }
  } else {
    listing->bHavePending = true;
  }
  if (!listing->NextEntry(found)) return kInvalidHandle;
  return m_listings.Add(listing.release());
}

bool FolderListings::Next(FindHandle find, FindData* found) {
  Listing** listing = m_listings.Find(find);
  if (listing == nullptr) {
    SetLastErrorText("the listing handle " + std::to_string(find) + " is not open");
    return false;
  }
  return (*listing)->NextEntry(found);
}

bool FolderListings::Close(FindHandle find) {
  std::optional<Listing*> listing = m_listings.Take(find);
  if (!listing) {
    SetLastErrorText("the listing handle " + std::to_string(find) + " is not open");
    return false;
  }
  delete *listing;
  return true;
}

}  // namespace qv
