// The ".qvl" file type under HKEY_CLASSES_ROOT, as Windows' shell reads it: the
// program's own classes hive, never the profile's NTUSER.DAT, since an offline
// Windows profile must not receive a Linux program's association.
#pragma once

#include <string_view>

namespace qv::app {

inline constexpr char16_t kArchiveExtensionKey[] = u".qvl";
inline constexpr char16_t kArchiveClassKey[] = u"Quorvel archive";

// Writes, each as the key's unnamed REG_SZ value with its terminator, replacing
// what was there:
//   .qvl                                  "Quorvel archive"
//   Quorvel archive\DefaultIcon           <path>,0
//   Quorvel archive\shell                 "Open"
//   Quorvel archive\shell\Open            "Restore IE settings and favorites"
//   Quorvel archive\shell\Open\command    "<path>" "%1"
// `programPath` is the program's own path in Windows form, of any length. A key
// that cannot be made is skipped with everything below it, and nothing is
// reported: the program works without the association. An empty path writes
// nothing, as an association naming no program would open nothing.
void RegisterFileAssociation(std::u16string_view programPath);

}  // namespace qv::app
