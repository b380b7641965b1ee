// Folder listings behind FindHandle values: the FindFirstFileW family on readdir.
//
// Like Windows, a listing starts with "." and "..", then gives the folder's
// entries in the file system's order. A symbolic link is always listed as a file,
// whatever it points to: a walk over the listing then never follows a link into
// another folder (nor loops through one). Opening a link to a file reads the file
// it names; a dangling one simply fails to open.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace qv {

class FolderListings {
 public:
  FolderListings();
  ~FolderListings();
  FolderListings(const FolderListings&) = delete;
  FolderListings& operator=(const FolderListings&) = delete;

  // windowsFolder: the folder as the caller named it, for the 259-unit limit of
  // the full paths it will build.
  FindHandle First(const std::u16string& windowsFolder, const std::string& nativeFolder,
                   FindData* found);
  bool Next(FindHandle find, FindData* found);
  bool Close(FindHandle find);

 private:
  struct Listing;
  std::mutex m_mutex;
  std::unordered_map<FindHandle, std::unique_ptr<Listing>> m_listings;
};

}  // namespace qv
