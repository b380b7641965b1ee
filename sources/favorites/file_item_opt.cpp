#include "sources/favorites/file_item_opt.h"

#include <utility>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "sources/favorites/name_spellings.h"
#include "sources/restore_confinement.h"

namespace qv {

FileItemOpt::FileItemOpt(RestoreOptions options) : m_options(std::move(options)) {}

FileItemOpt::~FileItemOpt() {
  // An item dropped without End must not leave its temporary file behind.
  Discard();
}

std::int32_t FileItemOpt::GetHeadSize() const { return static_cast<std::int32_t>(kFileItemHeadSize); }

bool FileItemOpt::SetHead(std::span<const std::uint8_t> body) {
  m_bHeadSet = DecodeFileItemHeadBody(body, &m_record);
  m_record.kind = kFileItemKind;
  return m_bHeadSet;
}

std::uint8_t FileItemOpt::IsProtected() const { return m_record.isProtected; }
std::uint8_t FileItemOpt::IsCompressed() const { return m_record.compressed; }

bool FileItemOpt::Refuse(std::string reason) {
  m_strSkipReason = std::move(reason);
  return false;
}

bool FileItemOpt::Fail(std::string what) {
  return Refuse(std::move(what) + ": " + Os().LastErrorText());
}

FileRestoreContext& FileItemOpt::Context() {
  if (m_options.pFileContext != nullptr) return *m_options.pFileContext;
  if (!m_pOwnContext) m_pOwnContext = std::make_unique<FileRestoreContext>(m_options.bDryRun);
  return *m_pOwnContext;
}

bool FileItemOpt::Begin() {
  if (!m_bHeadSet) return Refuse("the record head could not be read");
  const std::u16string storedFolder = TextFieldValue(m_record.item.folder);
  const std::u16string name = TextFieldValue(m_record.item.name);
  if (std::string problem = FileNameProblemHere(name); !problem.empty()) return Refuse(problem);

  FileRestoreContext& context = Context();
  std::u16string folder;
  if (std::string problem = context.FolderTarget(storedFolder, &folder); !problem.empty()) {
    return Refuse(problem);
  }
  m_strTargetPath = folder + u"\\" + name;
  // A backup stores no longer path, and Windows opens none without special prefixes.
  if (m_strTargetPath.size() > kMaxPathUnits) {
    return Refuse("the path \"" + ShownPath(m_strTargetPath) + "\" is longer than " +
                  std::to_string(kMaxPathUnits) + " characters, more than a backup stores");
  }
  // From here to the temporary file a dry run makes every check a restore makes,
  // so that it tells the same outcome with the same reason.
  if (std::string problem = context.FolderClaimProblem(folder); !problem.empty()) return Refuse(problem);
  if (std::string problem = CheckTarget(context, folder); !problem.empty()) return Refuse(problem);
  if (m_options.pNameSpellings != nullptr) {
    if (std::string problem = m_options.pNameSpellings->Claim(m_strTargetPath); !problem.empty()) {
      return Refuse(problem);
    }
  }
  if (std::string why; !context.EnsureFolder(folder, &why)) return Refuse(why);
  if (m_options.bDryRun) {
    m_bBegun = true;
    return true;
  }
  if (!Os().GetTempFileNameW(folder, &m_strTempPath, m_options.bOwnerOnlyFiles)) {
    m_strTempPath.clear();
    return Fail("cannot create a temporary file in the folder");
  }
  m_temp = UniqueFile(Os().CreateFileW(m_strTempPath, kGenericWrite, kFileShareNone, kCreateAlways));
  if (!m_temp.Valid()) {
    const bool failed = Fail("cannot open the temporary file");
    (void)Os().DeleteFileW(m_strTempPath);  // best effort: nothing was written into it
    m_strTempPath.clear();
    return failed;
  }
  m_bBegun = true;
  return true;
}

std::string FileItemOpt::CheckTarget(FileRestoreContext& context, const std::u16string& folder) {
  // One of the restore's own folders, made or (in a dry run) to be made.
  if (context.Made(m_strTargetPath)) return "a folder of that name is in the way";
  if (context.CreatedHere(folder)) {
    // A folder this restore made holds no link and nothing of the user's: the
    // target need not be looked for, which saves a lookup per favorite.
    m_bTargetExists = context.Claimed(m_strTargetPath);
    return {};
  }
  // The folder is inside Favorites; only the name itself can still lead elsewhere.
  int error = 0;
  const std::uint32_t attributes = Os().GetFileAttributesW(m_strTargetPath, &error);
  if (attributes == kInvalidFileAttributes && error != kErrorFileNotFound && error != kErrorPathNotFound) {
    return "the file \"" + ShownPath(m_strTargetPath) + "\" cannot be checked: " + Os().LastErrorText();
  }
  if (attributes == kFileAttributeDirectory) return "a folder of that name is in the way";
  m_bTargetExists = attributes != kInvalidFileAttributes;
  if (attributes == kFileAttributeReparsePoint) {
    // A link in Favorites that leads elsewhere is not ours to turn into a file: on
    // Windows the write would land at the link's target, outside Favorites.
    std::u16string favorites;
    std::string why;
    if (!context.Favorites(&favorites, &why)) return why;
    if (std::string problem = FileTargetProblem(m_strTargetPath, favorites); !problem.empty()) return problem;
    m_bTargetExists = Os().PathFileExistsW(m_strTargetPath);
  }
  // An earlier record of this restore may be waiting for its batch, or (in a dry
  // run) never be written at all.
  m_bTargetExists = m_bTargetExists || context.Claimed(m_strTargetPath);
  return {};
}

std::uint32_t FileItemOpt::Write(const std::uint8_t* data, std::uint32_t length) {
  if (!m_bBegun || m_bWriteFailed || length == 0) return 0;
  if (m_options.bDryRun) return length;
  std::uint32_t done = 0;
  while (done < length) {
    std::uint32_t written = 0;
    if (!Os().WriteFile(m_temp.Get(), data + done, length - done, &written) || written == 0) {
      m_bWriteFailed = true;
      m_strSkipReason = "cannot write the content: " + Os().LastErrorText();
      break;
    }
    done += written;
  }
  m_nWritten += done;
  return done;
}

bool FileItemOpt::End() {
  if (!m_bBegun) return false;
  if (m_bWriteFailed) {
    Discard();
    return false;
  }
  m_bBegun = false;
  Context().Claim(m_strTargetPath);
  if (m_options.bDryRun) return true;
  CloseTemp();
  // The file is complete; it replaces its target at the context's next commit,
  // together with the others of the batch, after their data reached the disk.
  Context().Queue(std::move(m_strTempPath), m_strTargetPath, m_nWritten);
  m_strTempPath.clear();
  if (m_pOwnContext) {
    const std::vector<FileRestoreContext::Failure> failures = m_pOwnContext->Commit();
    if (!failures.empty()) return Refuse(failures.front().strReason);
  }
  return true;
}

void FileItemOpt::CloseTemp() {
  // A failed close of a file we are about to delete or rename changes nothing.
  (void)m_temp.Close();
}

void FileItemOpt::Discard() {
  m_bBegun = false;
  CloseTemp();
  if (!m_strTempPath.empty()) {
    (void)Os().DeleteFileW(m_strTempPath);  // best effort: the target is untouched either way
    m_strTempPath.clear();
  }
}

std::string FileItemOpt::SkipReason() const { return m_strSkipReason; }

std::string FileItemOpt::Describe() const {
  std::u16string folder = TextFieldValue(m_record.item.folder);
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  return "favorite " + ToUtf8(folder + TextFieldValue(m_record.item.name));
}

bool FileItemOpt::TargetExists() const { return m_bTargetExists; }

}  // namespace qv
