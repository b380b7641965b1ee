// The demo profile that `make run` backs up and restores: a few favorites in
// folders and IE settings of every common value type, as a newcomer's own
// profile would hold them.
#pragma once

#include <cstddef>
#include <filesystem>

#include "platform/platform.h"

namespace qv::demo {

struct DemoProfileSummary {
  std::size_t nFavorites = 0;
  std::size_t nFolders = 0;  // below Favorites/, each holding favorites
  std::size_t nSettings = 0;
};

// Fills the profile folder `os` plays (`profileDir`): its Favorites/ and, through
// `os`, NTUSER.DAT. Existing files of the same names are replaced, nothing else
// is touched.
[[nodiscard]] Status MakeDemoProfile(Platform& os, const std::filesystem::path& profileDir,
                                     DemoProfileSummary* summary);

}  // namespace qv::demo
