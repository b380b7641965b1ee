// Folder listings behind the platform's find handles, as the contract gives them:
// "." and ".." first, links never listed as folders, and entries whose path the
// archive cannot hold left out and recorded.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/files/handle_table.h"
#include "platform/win_types.h"

namespace qv {

class FolderListings {
 public:
  FolderListings() = default;
  ~FolderListings();
  FolderListings(const FolderListings&) = delete;
  FolderListings& operator=(const FolderListings&) = delete;

  // `folder` ends in a separator.
  FindHandle First(const std::u16string& folder, FindData* found);
  bool Next(FindHandle find, FindData* found);
  bool Close(FindHandle find);

 private:
  struct Listing;
  HandleTable<Listing*> m_listings;
};

}  // namespace qv
