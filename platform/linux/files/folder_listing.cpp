#include "platform/linux/files/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/shared/last_error.h"
#include "platform/linux/os_error.h"
#include "platform/linux/files/handle_values.h"
#include "platform/linux/paths/path_mapping.h"
#include "platform/shared/skipped_entries.h"
#include "platform/text/text.h"

namespace qv {
namespace {

std::size_t UnitsBeforeName(const std::u16string& windowsFolder) {
  const bool endsInSeparator = !windowsFolder.empty() && IsWindowsSeparator(windowsFolder.back());
  return windowsFolder.size() + (endsInSeparator ? 0 : 1);
}

}  // namespace

struct FolderListings::Listing {
  DIR* dir = nullptr;
  std::string nativeFolder;
  std::size_t unitsBeforeName = 0;
  int dotEntriesGiven = 0;

  ~Listing() {
    if (dir) closedir(dir);
  }

  bool IsDirectory(const dirent& entry) const {
    if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
    struct stat info {};
    const std::string path = nativeFolder + "/" + entry.d_name;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  bool NextEntry(FindData* found) {
    if (dotEntriesGiven < 2) {
      found->strName = dotEntriesGiven == 0 ? u"." : u"..";
      found->bDirectory = true;
      found->bReparsePoint = false;
      found->nFileSize = 0;
      ++dotEntriesGiven;
      return true;
    }
    for (;;) {
      errno = 0;
      const dirent* entry = readdir(dir);
      if (!entry) {
        if (errno != 0) {
          SetLastErrorFromErrno("cannot list", nativeFolder, errno);
        } else {
          SetLastErrorText("no more entries in " + nativeFolder);
        }
        return false;
      }
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string reason;
      if (!NameFitsWindowsForm(name, unitsBeforeName, &reason)) {
        NoteSkippedEntry({nativeFolder + "/" + std::string(name), reason});
        continue;
      }
      found->strName = FromUtf8(name);
      found->bDirectory = IsDirectory(*entry);
      found->bReparsePoint = entry->d_type == DT_LNK;
      found->nFileSize = 0;
      if (!found->bDirectory) {
        // Through a link, as opening the file reads what the link points to; one
        // that leads nowhere has no size.
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) {
          found->nFileSize = static_cast<std::uint64_t>(info.st_size);
        }
        if (entry->d_type == DT_UNKNOWN) {
          struct stat own {};
          found->bReparsePoint = fstatat(dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                                 S_ISLNK(own.st_mode);
        }
      }
      return true;
    }
  }
};

FolderListings::FolderListings() = default;
FolderListings::~FolderListings() = default;

FindHandle FolderListings::First(const std::u16string& windowsFolder,
                                 const std::string& nativeFolder, FindData* found) {
  auto listing = std::make_unique<Listing>();
  listing->dir = opendir(nativeFolder.c_str());
  if (!listing->dir) {
    SetLastErrorFromErrno("cannot list", nativeFolder, errno);
    return kInvalidHandle;
  }
  listing->nativeFolder = nativeFolder;
  while (listing->nativeFolder.size() > 1 && listing->nativeFolder.back() == '/') {
    listing->nativeFolder.pop_back();
  }
  listing->unitsBeforeName = UnitsBeforeName(windowsFolder);
  if (!listing->NextEntry(found)) return kInvalidHandle;

  const FindHandle handle = NextHandleValue();
  std::lock_guard lock(m_mutex);
  m_listings.emplace(handle, std::move(listing));
  return handle;
}

bool FolderListings::Next(FindHandle find, FindData* found) {
  Listing* listing = nullptr;
  {
    std::lock_guard lock(m_mutex);
    const auto entry = m_listings.find(find);
    if (entry != m_listings.end()) listing = entry->second.get();
  }
  if (!listing) {
    SetLastErrorText("invalid find handle " + std::to_string(find));
    return false;
  }
  // One thread uses a handle at a time (the Platform contract), so the listing
  // itself needs no lock.
  return listing->NextEntry(found);
}

bool FolderListings::Close(FindHandle find) {
  std::unique_ptr<Listing> closing;
  {
    std::lock_guard lock(m_mutex);
    const auto entry = m_listings.find(find);
    if (entry == m_listings.end()) {
      SetLastErrorText("invalid find handle " + std::to_string(find));
      return false;
    }
    closing = std::move(entry->second);
    m_listings.erase(entry);
  }
  return true;
}

}  // namespace qv
