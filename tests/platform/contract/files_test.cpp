// Files as the engine uses them: dispositions, reads, seeks, sizes, flushes,
// temporary files renamed into place, and folder trees.
#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/text/text.h"
#include "tests/platform/contract/platform_harness.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

std::string ReadAll(Platform& os, FileHandle file) {
  std::string content;
  char buffer[7];
  std::uint32_t got = 0;
  while (os.ReadFile(file, buffer, sizeof buffer, &got) && got > 0) content.append(buffer, got);
  return content;
}

bool WriteText(Platform& os, FileHandle file, const std::string& text) {
  std::uint32_t written = 0;
  return os.WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), &written) &&
         written == text.size();
}

TEST_P(PlatformContract, DispositionsOpenCreateAndTruncateAsWindowsDoes) {
  const std::u16string path = Win("a.bin");

  EXPECT_EQ(os().CreateFileW(path, kGenericRead, kFileShareRead, kOpenExisting), kInvalidHandle);
  EXPECT_NE(os().LastErrorText().find("a.bin"), std::string::npos) << os().LastErrorText();
  EXPECT_FALSE(os().PathFileExistsW(path));

  FileHandle file = os().CreateFileW(path, kGenericRead, kFileShareRead, kOpenAlways);
  ASSERT_NE(file, kInvalidHandle);
  std::uint64_t size = 99;
  EXPECT_TRUE(os().GetFileSize(file, &size));
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(os().CloseHandle(file));
  EXPECT_TRUE(os().PathFileExistsW(path));

  WriteFileBytes(Native("a.bin"), "kept");
  file = os().CreateFileW(path, kGenericRead, kFileShareRead, kOpenAlways);
  EXPECT_EQ(ReadAll(os(), file), "kept");
  EXPECT_TRUE(os().CloseHandle(file));

  file = os().CreateFileW(path, kGenericWrite, kFileShareNone, kCreateAlways);
  ASSERT_NE(file, kInvalidHandle);
  EXPECT_TRUE(WriteText(os(), file, "new"));
  EXPECT_TRUE(os().FlushFileBuffers(file));
  EXPECT_TRUE(os().CloseHandle(file));
  EXPECT_EQ(ReadFileBytes(Native("a.bin")), "new");

  EXPECT_FALSE(os().CloseHandle(file));  // already closed
  EXPECT_EQ(os().CreateFileW(path, kGenericRead, kFileShareRead, 1 /* create-new */),
            kInvalidHandle);
}

TEST_P(PlatformContract, ReadingAtTheEndSucceedsWithNothingAndSeeksMoveAsAsked) {
  WriteFileBytes(Native("h.bin"), "HEADER-body");
  const std::u16string path = Win("h.bin");

  FileHandle file = os().CreateFileW(path, kGenericWrite, kFileShareRead, kOpenExisting);
  std::uint64_t position = 0;
  ASSERT_TRUE(os().SetFilePointer(file, 0, kFileEnd, &position));
  EXPECT_EQ(position, 11u);
  EXPECT_TRUE(WriteText(os(), file, "+more"));
  std::uint32_t got = 1;
  char byte;
  EXPECT_FALSE(os().ReadFile(file, &byte, 1, &got));  // opened for writing only
  EXPECT_TRUE(os().CloseHandle(file));
  EXPECT_EQ(ReadFileBytes(Native("h.bin")), "HEADER-body+more");

  file = os().CreateFileW(path, kGenericRead, kFileShareNone, kOpenExisting);
  ASSERT_TRUE(os().SetFilePointer(file, 7, kFileBegin, nullptr));
  ASSERT_TRUE(os().SetFilePointer(file, -2, kFileCurrent, &position));
  EXPECT_EQ(position, 5u);
  EXPECT_EQ(ReadAll(os(), file), "R-body+more");
  got = 1;
  EXPECT_TRUE(os().ReadFile(file, &byte, 1, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(os().SetFilePointer(file, -100, kFileCurrent, nullptr));
  EXPECT_TRUE(os().CloseHandle(file));
}

TEST_P(PlatformContract, SizesBeyondFourGigabytesAreWhole) {
  WriteFileBytes(Native("big.bin"), "");
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 32) + 5;
  std::filesystem::resize_file(Native("big.bin"), kSize);  // sparse where the disk can

  const FileHandle file = os().CreateFileW(Win("big.bin"), kGenericRead, 0, kOpenExisting);
  std::uint64_t size = 0;
  ASSERT_TRUE(os().GetFileSize(file, &size));
  EXPECT_EQ(size, kSize);
  std::uint64_t position = 0;
  ASSERT_TRUE(os().SetFilePointer(file, -1, kFileEnd, &position));
  EXPECT_EQ(position, kSize - 1);
  EXPECT_TRUE(os().CloseHandle(file));
}

std::string FileName(int i) {
  std::string name = "f";  // appended: g++ 12 -O3 warns falsely on "lit" + std::string
  return name + std::to_string(i);
}

// A platform may flush large files in the background while they are written;
// closing or flushing one must wait for that, and a platform torn down with such
// a file still open must neither hang nor lose the bytes.
TEST_P(PlatformContract, FilesFlushedInTheBackgroundCloseWholeInAnyOrder) {
  const std::string piece(1u << 20, 'x');
  {
    FileHandle files[3];
    for (int i = 0; i < 3; ++i) {
      files[i] = os().CreateFileW(Win(FileName(i)), kGenericWrite, kFileShareNone, kCreateAlways);
      ASSERT_NE(files[i], kInvalidHandle);
    }
    for (int round = 0; round < 9; ++round) {
      for (const FileHandle file : files) ASSERT_TRUE(WriteText(os(), file, piece));
    }
    EXPECT_TRUE(os().CloseHandle(files[0]));  // a flush may still be queued for it
    EXPECT_TRUE(os().FlushFileBuffers(files[1]));
    EXPECT_TRUE(os().CloseHandle(files[1]));
    harness().ResetPlatform();  // f2 is still open
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(std::filesystem::file_size(Native(FileName(i))), 9u << 20);
  }
}

TEST_P(PlatformContract, FoldersDoNotOpenAsFiles) {
  std::filesystem::create_directories(Native("dir"));
  for (const std::uint32_t access : {kGenericRead, kGenericWrite}) {
    EXPECT_EQ(os().CreateFileW(Win("dir"), access, kFileShareRead, kOpenAlways), kInvalidHandle);
  }
  EXPECT_NE(os().LastErrorText().find("folder"), std::string::npos) << os().LastErrorText();
}

// A password file's first line: the bound holds however the file goes on, and a
// folder or a missing file is refused with the name.
TEST_P(PlatformContract, FirstLineStopsAtTheLineFeedOrTheBound) {
  WriteFileBytes(Native("two.txt"), "first\r\nsecond\n");
  WriteFileBytes(Native("none.txt"), "no feed");
  WriteFileBytes(Native("long.txt"), std::string(9, 'x') + "\nshort\n");
  WriteFileBytes(Native("fits.txt"), std::string(8, 'x') + "\n" + std::string(100, 'y'));
  struct Case {
    const char* file;
    const char* line;  // null: refused
  } const cases[] = {
      {"two.txt", "first\r"}, {"none.txt", "no feed"}, {"fits.txt", "xxxxxxxx"},
      {"long.txt", nullptr},   {"missing.txt", nullptr},     {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string line = "stale";
    const bool read = os().ReadFirstLine(Win(c.file), 8, &line);
    EXPECT_EQ(read, c.line != nullptr) << os().LastErrorText();
    if (read) {
      EXPECT_EQ(line, c.line);
    }
  }
}

TEST_P(PlatformContract, TemporaryFileIsRenamedOverTheTarget) {
  WriteFileBytes(Native("out/NTUSER.DAT"), "old");
  const std::u16string folder = Win("out");
  // The file's name, when the path is the folder's and a name.
  const auto nameIn = [&](const std::u16string& path) {
    EXPECT_EQ(path.substr(0, folder.size() + 1), folder + u"\\") << ToUtf8(path);
    return ToUtf8(path.substr(std::min(path.size(), folder.size() + 1)));
  };
  std::u16string temp;
  ASSERT_TRUE(os().GetTempFileNameW(folder, &temp, false));
  const std::string name = nameIn(temp);
  EXPECT_EQ(name.rfind(".quorvel-", 0), 0u);
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_EQ(std::filesystem::file_size(Native("out/" + name)), 0u);

  std::u16string second;
  ASSERT_TRUE(os().GetTempFileNameW(folder, &second, false));
  EXPECT_NE(second, temp);
  EXPECT_TRUE(os().DeleteFileW(second));
  EXPECT_FALSE(os().DeleteFileW(second));
  // A new file of the deleted one's name is a new file, whatever the platform kept.
  const FileHandle again = os().CreateFileW(second, kGenericWrite, kFileShareNone, kCreateAlways);
  EXPECT_TRUE(WriteText(os(), again, "again"));
  EXPECT_TRUE(os().CloseHandle(again));
  EXPECT_EQ(ReadFileBytes(Native("out/" + nameIn(second))), "again");
  EXPECT_TRUE(os().DeleteFileW(second));

  const FileHandle file = os().CreateFileW(temp, kGenericWrite, kFileShareNone, kOpenExisting);
  EXPECT_TRUE(WriteText(os(), file, "new"));
  EXPECT_TRUE(os().FlushFileBuffers(file));
  EXPECT_TRUE(os().CloseHandle(file));
  ASSERT_TRUE(os().MoveFileExW(temp, Win("out/NTUSER.DAT")));
  EXPECT_EQ(ReadFileBytes(Native("out/NTUSER.DAT")), "new");
  EXPECT_FALSE(os().PathFileExistsW(temp));
  EXPECT_FALSE(os().MoveFileExW(temp, Win("out/NTUSER.DAT")));

  EXPECT_FALSE(os().GetTempFileNameW(Win("missing"), &temp, false));
}

TEST_P(PlatformContract, FolderTreesAreCreatedWithEveryParent) {
  EXPECT_EQ(os().SHCreateDirectoryExW(Win("a/b/c")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(Native("a/b/c")));
  EXPECT_EQ(os().SHCreateDirectoryExW(Win("a/b/c")), kErrorAlreadyExists);
  EXPECT_EQ(os().SHCreateDirectoryExW(Win("a/b") + u"\\\\d\\"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(Native("a/b/d")));

  WriteFileBytes(Native("a/file"), "x");
  EXPECT_EQ(os().SHCreateDirectoryExW(Win("a/file/below")), kErrorPathNotFound);
  EXPECT_NE(os().SHCreateDirectoryExW(Win("a/file")), 0);
  EXPECT_FALSE(std::filesystem::is_directory(Native("a/file")));
}

}  // namespace
}  // namespace qv::test
