#include "sources/file_item_opt.h"

#include <utility>

#include "platform/platform.h"
#include "platform/text.h"
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

bool FileItemOpt::Begin() {
  if (!m_bHeadSet) return Refuse("the record head could not be read");
  const std::u16string storedFolder = TextFieldValue(m_record.item.folder);
  const std::u16string name = TextFieldValue(m_record.item.name);
  if (std::string problem = FileNameProblem(name); !problem.empty()) return Refuse(problem);

  std::u16string favorites;
  if (!Os().SHGetSpecialFolderPathW(kCsidlFavorites, !m_options.bDryRun, &favorites)) {
    // A dry run must not create the Favorites folder; where it would be is enough.
    if (!m_options.bDryRun) return Fail("the Favorites folder is unknown");
    favorites = Os().ExpandEnvironmentStringsW(u"%USERPROFILE%\\Favorites");
  }
  std::u16string folder;
  if (std::string problem = FavoritesFolderTarget(storedFolder, favorites, &folder); !problem.empty()) {
    return Refuse(problem);
  }
  m_strTargetPath = folder + u"\\" + name;
  m_bTargetExists = Os().PathFileExistsW(m_strTargetPath);
  // A link in Favorites that leads elsewhere is not ours to turn into a file: on
  // Windows the write would land at the link's target, outside Favorites.
  if (std::string problem = FileTargetProblem(m_strTargetPath, favorites); !problem.empty()) {
    return Refuse(problem);
  }
  if (m_options.bDryRun) {
    m_bBegun = true;
    return true;
  }
  if (!Os().PathFileExistsW(folder)) {
    const int created = Os().SHCreateDirectoryExW(folder);
    if (created != 0 && created != kErrorAlreadyExists) return Fail("cannot create the folder");
  }
  if (!Os().GetTempFileNameW(folder, &m_strTempPath)) {
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
  return done;
}

bool FileItemOpt::End() {
  if (!m_bBegun) return false;
  if (m_bWriteFailed) {
    Discard();
    return false;
  }
  m_bBegun = false;
  if (m_options.bDryRun) return true;
  if (!Os().FlushFileBuffers(m_temp.Get())) {
    Fail("cannot flush the content to disk");
    Discard();
    return false;
  }
  CloseTemp();
  if (!Os().MoveFileExW(m_strTempPath, m_strTargetPath)) {
    Fail("cannot replace the file");
    Discard();
    return false;
  }
  m_strTempPath.clear();
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
