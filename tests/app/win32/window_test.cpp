// quorvel.exe driven as a user would, through window messages, under Wine: the
// start with its splash and association, the backup dialog's checks, a backup read
// back by qvl, restores from the command line (DES and strong) with a wrong, then
// the right password, closing during a backup, menu prompts, tips, DPI and Help.
// Each test runs the real program in its own process.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/resources/resource_ids.h"
#include "app/workers/item_rows.h"

namespace {

using namespace std::chrono_literals;
using qv::app::IDC_FILENAME;

constexpr auto kPatience = 60s;  // Wine under load starts slowly

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring TextOf(HWND hWnd) {
  wchar_t text[1024] = {};
  // Across processes WM_GETTEXT is copied for us; GetWindowText would not ask.
  SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// The program under test, ended with its window or, at the latest, with the test.
class Program {
 public:
  explicit Program(const std::wstring& arguments) {
    std::wstring line = L"\"" + ProgramFolder() + L"quorvel.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    m_bStarted = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                &m_process) != FALSE;
  }
  ~Program() {
    if (!m_bStarted) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 99);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
  }

  bool Started() const { return m_bStarted; }

  // WM_DPICHANGED as Windows sends it when the window reaches a monitor at `dpi`:
  // its suggested rectangle lives in the program's own memory.
  void SendDpiChange(HWND hFrame, int dpi, const RECT& suggested) const {
    void* remote = VirtualAllocEx(m_process.hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr || !WriteProcessMemory(m_process.hProcess, remote, &suggested, sizeof(RECT), nullptr)) return;
    SendMessageW(hFrame, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
  }

  // A visible top-level window of the program with this caption (and class, when
  // given), waited for.
  HWND Window(const std::wstring& caption, const wchar_t* className = nullptr) const {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      struct Search {
        DWORD pid;
        const std::wstring* caption;
        const wchar_t* className;
        HWND found;
      } search{m_process.dwProcessId, &caption, className, nullptr};
      EnumWindows(
          [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(hWnd, &pid);
            wchar_t name[64] = {};
            GetClassNameW(hWnd, name, 64);
            if (pid == s->pid && IsWindowVisible(hWnd) && TextOf(hWnd) == *s->caption &&
                (s->className == nullptr || std::wstring(name) == s->className)) {
              s->found = hWnd;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) return search.found;
      if (WaitForSingleObject(m_process.hProcess, 100) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
  }

  // Waits for the program to end; its exit code, or -1 when it did not end.
  int Exit() const {
    DWORD code = 0;
    if (WaitForSingleObject(m_process.hProcess, 60000) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(m_process.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION m_process{};
  bool m_bStarted = false;
};

// What a message box says: its longest static text.
std::wstring BoxText(HWND hBox) {
  std::wstring longest;
  for (HWND hChild = GetWindow(hBox, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
    wchar_t name[32] = {};
    GetClassNameW(hChild, name, 32);
    const std::wstring text = TextOf(hChild);
    if (_wcsicmp(name, L"Static") == 0 && text.size() > longest.size()) longest = text;
  }
  return longest;
}

void Click(HWND hDialog, int nId) {
  PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDialog, nId)));
}

void Type(HWND hDialog, int nId, const std::wstring& text) {
  SendMessageW(GetDlgItem(hDialog, nId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The box that `program` shows next: its text, after it was closed with OK.
std::wstring AnswerBox(const Program& program, const std::wstring& caption) {
  const HWND hBox = program.Window(caption, L"#32770");
  if (hBox == nullptr) return L"(no \"" + caption + L"\" box)";
  const std::wstring text = BoxText(hBox);
  Click(hBox, IDOK);
  return text;
}

HWND PassSplash(const Program& program) {
  const HWND hSplash = program.Window(L"Welcome to QVL");
  if (hSplash == nullptr) return nullptr;
  Click(hSplash, IDOK);
  return program.Window(L"Quorvel", L"QuorvelMainFrame");
}

// The main window past the splash, and the backup dialog opened from it; a null
// handle for what did not come.
struct BackupWindows {
  HWND hFrame = nullptr;
  HWND hDialog = nullptr;
};
BackupWindows OpenBackupDialog(const Program& program) {
  BackupWindows windows;
  windows.hFrame = PassSplash(program);
  if (windows.hFrame == nullptr) return windows;
  PostMessageW(windows.hFrame, WM_COMMAND, qv::app::ID_FILE_BACKUP, 0);
  windows.hDialog = program.Window(L"Backup");
  return windows;
}

std::wstring Favorites() {
  wchar_t path[MAX_PATH] = {};
  SHGetSpecialFolderPathW(nullptr, path, CSIDL_FAVORITES, TRUE);
  return path;
}

std::wstring ClassesValue(const std::wstring& key) {
  wchar_t value[1024] = {};
  DWORD size = sizeof(value);
  const std::wstring path = L"Software\\Classes\\" + key;
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return L"(missing)";
  }
  return value;
}

std::wstring TempArchive(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  DeleteFileW(path.c_str());
  return path;
}

// qvl.exe with `arguments` and the password in QVL_PASSWORD; its exit code.
int RunQvl(const std::wstring& arguments, const wchar_t* password) {
  SetEnvironmentVariableW(L"QVL_PASSWORD", password);
  std::wstring line = L"\"" + ProgramFolder() + L"qvl.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL bStarted =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(L"QVL_PASSWORD", nullptr);
  if (!bStarted) return -1;
  DWORD code = 0;
  WaitForSingleObject(process.hProcess, 60000);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// A backup through the window: the dialog filled in and accepted, its outcome.
std::wstring BackupThroughWindow(const std::wstring& archive, const std::wstring& password) {
  Program program(L"");
  const auto [hFrame, hDialog] = OpenBackupDialog(program);
  if (hDialog == nullptr) return L"(no backup dialog)";
  Type(hDialog, IDC_FILENAME, archive);
  PostMessageW(GetDlgItem(hDialog, qv::app::IDC_COMPRESS), BM_CLICK, 0, 0);
  PostMessageW(GetDlgItem(hDialog, qv::app::IDC_PROTECT), BM_CLICK, 0, 0);
  Type(hDialog, qv::app::IDC_PASSWORD, password);
  Type(hDialog, qv::app::IDC_PASSWORD_CONFIRM, password);
  Click(hDialog, IDOK);
  const std::wstring outcome = AnswerBox(program, L"Information");
  PostMessageW(hFrame, WM_CLOSE, 0, 0);
  return program.Exit() == 0 ? outcome : L"(the program did not end well)";
}

TEST(WindowTest, StartShowsSplashThenTwoRowsAndWritesTheAssociation) {
  Program program(L"");
  ASSERT_TRUE(program.Started());
  const HWND hSplash = program.Window(L"Welcome to QVL");
  ASSERT_NE(hSplash, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(hSplash, IDOK)), L"&Continue");
  EXPECT_EQ(TextOf(GetDlgItem(hSplash, qv::app::IDC_WEBSITE)), L"&Website");
  Click(hSplash, IDOK);
  const HWND hFrame = program.Window(L"Quorvel", L"QuorvelMainFrame");
  ASSERT_NE(hFrame, nullptr);

  HWND hList = FindWindowExW(FindWindowExW(hFrame, nullptr, L"QuorvelChildView", nullptr), nullptr, WC_LISTVIEWW, nullptr);
  ASSERT_NE(hList, nullptr);
  EXPECT_EQ(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0), 2);

  const std::wstring exe = ProgramFolder() + L"quorvel.exe";
  EXPECT_EQ(ClassesValue(L".qvl"), L"Quorvel archive");
  EXPECT_EQ(ClassesValue(L"Quorvel archive\\DefaultIcon"), exe + L",0");
  EXPECT_EQ(ClassesValue(L"Quorvel archive\\shell"), L"Open");
  EXPECT_EQ(ClassesValue(L"Quorvel archive\\shell\\Open"), L"Restore IE settings and favorites");
  EXPECT_EQ(ClassesValue(L"Quorvel archive\\shell\\Open\\command"), L"\"" + exe + L"\" \"%1\"");

  // On a monitor at twice the resolution the list's columns and font grow with it.
  const auto columnWidth = [&] { return static_cast<int>(SendMessageW(hList, LVM_GETCOLUMNWIDTH, 0, 0)); };
  const int width = columnWidth();
  // Rows that fit the same window: fewer once the font is twice as tall.
  const auto rowsPerPage = [&] { return static_cast<int>(SendMessageW(hList, LVM_GETCOUNTPERPAGE, 0, 0)); };
  const int rows = rowsPerPage();
  const HWND hToolBar = FindWindowExW(FindWindowExW(hFrame, nullptr, REBARCLASSNAMEW, nullptr), nullptr,
                                      TOOLBARCLASSNAMEW, nullptr);
  ASSERT_NE(hToolBar, nullptr);
  const auto buttonHeight = [&] { return HIWORD(SendMessageW(hToolBar, TB_GETBUTTONSIZE, 0, 0)); };
  const int height = buttonHeight();
  RECT frame{};
  GetWindowRect(hFrame, &frame);
  program.SendDpiChange(hFrame, 192, frame);
  EXPECT_EQ(columnWidth(), 2 * qv::app::kNameColumnWidth) << "at 96 dpi it was " << width;
  EXPECT_LT(rowsPerPage(), rows * 3 / 4);
  EXPECT_GE(buttonHeight(), height + 24) << "the toolbar's images, 24 pixels at 96 dpi, grow with it";

  // Resting the pointer on a toolbar button shows its tip, from the string table.
  SetForegroundWindow(hFrame);
  RECT bar{};
  GetWindowRect(hToolBar, &bar);
  const HWND hTip = reinterpret_cast<HWND>(SendMessageW(hToolBar, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(hTip, nullptr);
  std::wstring tip;
  for (int i = 0; i < 10 && tip.empty(); ++i) {
    // A move, then the pointer rests until the tip's delay has passed.
    SetCursorPos(bar.left + 20 + i % 2, (bar.top + bar.bottom) / 2);
    for (int wait = 0; wait < 20 && !IsWindowVisible(hTip); ++wait) std::this_thread::sleep_for(100ms);
    if (IsWindowVisible(hTip)) tip = TextOf(hTip);
  }
  EXPECT_EQ(tip, L"Backup");

  // A menu item's prompt shows in the status bar while it is selected, and goes
  // with the menu.
  const HWND hStatus = FindWindowExW(hFrame, nullptr, STATUSCLASSNAMEW, nullptr);
  ASSERT_NE(hStatus, nullptr);
  SendMessageW(hFrame, WM_MENUSELECT, MAKEWPARAM(qv::app::ID_FILE_BACKUP, MF_STRING), reinterpret_cast<LPARAM>(GetMenu(hFrame)));
  EXPECT_EQ(TextOf(hStatus), L"Backup selected item(s)");
  SendMessageW(hFrame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(TextOf(hStatus), L"");

  PostMessageW(hFrame, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.Exit(), 0);
}

// One failure mode of the dialog per row; the dialog stays open after each.
TEST(WindowTest, BackupDialogRefusesWhatTheJobCannotTake) {
  struct Case {
    const wchar_t* path;
    bool protect;
    const wchar_t* password;
    const wchar_t* confirmation;
    const wchar_t* message;
  };
  const std::wstring folder = ProgramFolder();
  const Case cases[] = {
      {L"   ", false, L"", L"", L"Please enter the filename before you press OK button!"},
      {folder.c_str(), false, L"", L"", L"The filename is a folder, please enter the name of a file for the archive!"},
      {L"x.qvl", true, L"abc", L"abcdef", L"Wrong password, please enter the password twice into the password boxes!"},
      {L"x.qvl", true, L"abcde", L"abcde", L"Password too short, please make sure your password has six or more characters!"},
  };
  Program program(L"");
  const auto [hFrame, hDialog] = OpenBackupDialog(program);
  ASSERT_NE(hDialog, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDialog, qv::app::IDC_PASSWORD)));
  bool bProtected = false;
  for (const Case& c : cases) {
    Type(hDialog, IDC_FILENAME, c.path);
    if (c.protect != bProtected) {
      PostMessageW(GetDlgItem(hDialog, qv::app::IDC_PROTECT), BM_CLICK, 0, 0);
      bProtected = c.protect;
    }
    Type(hDialog, qv::app::IDC_PASSWORD, c.password);
    Type(hDialog, qv::app::IDC_PASSWORD_CONFIRM, c.confirmation);
    Click(hDialog, IDOK);
    EXPECT_EQ(AnswerBox(program, L"Error"), c.message) << Narrow(c.path);
    EXPECT_TRUE(IsWindow(hDialog));
  }
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDialog, qv::app::IDC_PASSWORD)));
  Click(hDialog, IDCANCEL);
  PostMessageW(hFrame, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.Exit(), 0);
}

TEST(WindowTest, BackupThroughTheWindowRestoresFromTheCommandLine) {
  const std::wstring favorite = Favorites() + L"\\Window test.url";
  {
    std::ofstream out(std::filesystem::path(favorite), std::ios::binary);
    out << "[InternetShortcut]\r\nURL=https://example.org/\r\n";
  }
  const std::wstring archive = TempArchive(L"window test.qvl");
  ASSERT_EQ(BackupThroughWindow(archive, L"secret1"), L"Process successfully!");
  // qvl, in a process of its own, reads every record of what the window wrote.
  EXPECT_EQ(RunQvl(L"verify \"" + archive + L"\"", L"secret1"), 0);
  // The window restores the strong form as well, asking for its password alike.
  const std::wstring strong = TempArchive(L"strong test.qvl");
  ASSERT_EQ(RunQvl(L"backup \"" + strong + L"\" --strong", L"strong secret 1"), 0);

  ASSERT_TRUE(DeleteFileW(favorite.c_str()));
  const struct {
    const std::wstring& archive;
    const wchar_t* password;
  } forms[] = {{archive, L"secret1"}, {strong, L"strong secret 1"}};
  for (const auto& form : forms) {
    SCOPED_TRACE(Narrow(form.archive));
    // A wrong password is refused and restores nothing; the window stays, idle.
    // Then the right one restores.
    for (const wchar_t* password : {L"secret2", form.password}) {
      const bool right = std::wstring(password) == form.password;
      Program program(L"\"" + form.archive + L"\"");
      const HWND hFrame = PassSplash(program);
      ASSERT_NE(hFrame, nullptr);
      const HWND hPassword = program.Window(L"Enter password");
      ASSERT_NE(hPassword, nullptr);
      Type(hPassword, qv::app::IDC_PASSWORD, password);
      Click(hPassword, IDOK);
      EXPECT_EQ(AnswerBox(program, right ? L"Information" : L"Error"),
                right ? L"Process successfully!" : L"Wrong password! Please check it again!");
      EXPECT_EQ(GetFileAttributesW(favorite.c_str()) != INVALID_FILE_ATTRIBUTES, right);
      PostMessageW(hFrame, WM_CLOSE, 0, 0);
      EXPECT_EQ(program.Exit(), 0);
    }
    DeleteFileW(favorite.c_str());
  }
  DeleteFileW(archive.c_str());
  DeleteFileW(strong.c_str());
}

// Closing the window while a backup runs asks first: No lets the backup finish and
// keeps the window; Yes stops it, leaves no archive, and closes once it stopped.
TEST(WindowTest, ClosingDuringABackupAsksAndWaits) {
  // Enough bytes that no LZMA keeps up: the backup is still running when asked.
  const std::wstring big = Favorites() + L"\\Close test.bin";
  {
    std::string bytes(96u << 20, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    std::ofstream(std::filesystem::path(big), std::ios::binary) << bytes;
  }
  const struct {
    const char* what;
    int nAnswer;
    bool bArchiveKept;
  } cases[] = {{"no", IDNO, true}, {"yes", IDYES, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring archive = TempArchive(L"close test.qvl");
    Program program(L"");
    const auto [hFrame, hDialog] = OpenBackupDialog(program);
    ASSERT_NE(hDialog, nullptr);
    Type(hDialog, IDC_FILENAME, archive);
    PostMessageW(GetDlgItem(hDialog, qv::app::IDC_COMPRESS), BM_CLICK, 0, 0);
    Click(hDialog, IDOK);
    // The dialog gone, the job runs.
    for (int i = 0; i < 100 && IsWindow(hDialog); ++i) std::this_thread::sleep_for(50ms);
    PostMessageW(hFrame, WM_CLOSE, 0, 0);
    const HWND hQuestion = program.Window(L"Quorvel", L"#32770");
    ASSERT_NE(hQuestion, nullptr);
    EXPECT_NE(BoxText(hQuestion).find(L"A backup is running. Stop it and close Quorvel?"), std::wstring::npos);
    Click(hQuestion, c.nAnswer);
    if (c.bArchiveKept) {
      EXPECT_EQ(AnswerBox(program, L"Information"), L"Process successfully!");
      EXPECT_TRUE(IsWindow(hFrame));
      PostMessageW(hFrame, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(program.Exit(), 0);
    EXPECT_EQ(GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES, c.bArchiveKept);
    DeleteFileW(archive.c_str());
  }
  DeleteFileW(big.c_str());
}

// Help Topics and F1 hand the installed manual to whatever opens .html pages, and
// say so when nothing does rather than do nothing. The test points .html at a
// recorder, then at nothing, and puts the classes back as they were.
TEST(WindowTest, HelpOpensTheManualOrSaysWhyItCannot) {
  const std::wstring marker = TempArchive(L"opened page.txt");
  HKEY hClasses = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_ALL_ACCESS, &hClasses), ERROR_SUCCESS);
  wchar_t saved[256] = {};
  DWORD savedSize = sizeof(saved);
  const bool hadHtml = RegGetValueW(hClasses, L".html", nullptr, RRF_RT_REG_SZ, nullptr, saved, &savedSize) == ERROR_SUCCESS;
  const std::wstring recorder = L"\"C:\\windows\\system32\\cmd.exe\" /c echo %1> \"" + marker + L"\"";
  RegSetKeyValueW(hClasses, L"QuorvelTestPage\\shell\\open\\command", nullptr, REG_SZ, recorder.c_str(),
                  static_cast<DWORD>((recorder.size() + 1) * sizeof(wchar_t)));
  const struct {
    const char* what;
    bool bRecorder;  // .html opens with the recorder, else with nothing
    UINT nMessage;
    WPARAM wParam;
  } cases[] = {
      {"Help Topics", true, WM_COMMAND, qv::app::ID_HELP_FINDER},
      {"F1", true, WM_KEYDOWN, VK_F1},
      {"F1 with nothing to open pages", false, WM_KEYDOWN, VK_F1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(marker.c_str());
    if (c.bRecorder) {
      RegSetKeyValueW(hClasses, L".html", nullptr, REG_SZ, L"QuorvelTestPage", sizeof(L"QuorvelTestPage"));
    } else {
      RegDeleteTreeW(hClasses, L".html");
    }
    Program program(L"");
    const HWND hFrame = PassSplash(program);
    ASSERT_NE(hFrame, nullptr);
    PostMessageW(hFrame, c.nMessage, c.wParam, 0);
    if (c.bRecorder) {
      std::string opened;
      for (int i = 0; i < 600 && opened.find("manual.html") == std::string::npos; ++i) {
        std::this_thread::sleep_for(100ms);
        std::ifstream in{std::filesystem::path(marker)};
        std::getline(in, opened);
      }
      EXPECT_NE(opened.find("manual.html"), std::string::npos) << opened;
    } else {
      const std::wstring told = AnswerBox(program, L"Information");
      EXPECT_NE(told.find(L"manual.html\": no program here opens it."), std::wstring::npos) << Narrow(told);
    }
    PostMessageW(hFrame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Exit(), 0);
  }
  RegDeleteTreeW(hClasses, L"QuorvelTestPage");
  RegDeleteTreeW(hClasses, L".html");
  if (hadHtml) RegSetKeyValueW(hClasses, L".html", nullptr, REG_SZ, saved, savedSize);
  RegCloseKey(hClasses);
  DeleteFileW(marker.c_str());
}

}  // namespace
