// What every restore operation of one restore needs to know besides its record.
#pragma once

#include <string>

namespace qv {

class FileRestoreContext;
class NameSpellings;
class RegRestoreContext;
class RegistryWrites;

struct RestoreOptions {
  // Decode and check everything, change nothing: no folder, file, key or value.
  // Every check a restore makes is made, in the same order and with the same
  // reasons, up to the point where the restore would write.
  bool bDryRun = false;
  // The archive is password protected: a new file is readable by its owner only
  // (a replaced one keeps the access it had).
  bool bOwnerOnlyFiles = false;
  // Non-empty when the registry must not be written (a dirty hive, say); every
  // settings record is then skipped with this reason.
  std::string strRegistryBlocked;
  // What the favorites of this restore share (checked folders, the batch of
  // replacements); owned by whoever runs the restore. Null: each favorite is put in
  // place on its own, at its End.
  FileRestoreContext* pFileContext = nullptr;
  // Set: a favorite whose path differs only in case from one written before is
  // refused, as a Windows folder holds only one of them. Null: every spelling is
  // written, as the file system here can hold them all.
  NameSpellings* pNameSpellings = nullptr;
  // Where settings are written, or in a dry run checked (RegCheckValue, which
  // writes nothing); owned by whoever runs the restore. Null: settings cannot be
  // written, nor told whether they could.
  RegistryWrites* pRegistryWrites = nullptr;
  // What the settings of this restore share (the values already set); owned by
  // whoever runs the restore. Null: each value stands alone.
  RegRestoreContext* pRegContext = nullptr;
};

}  // namespace qv
