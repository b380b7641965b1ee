// Runs qvl.exe as a Windows user would from a command prompt: the callers' shell
// words become the program's arguments and variables, standard output and error
// go to files of their own, standard input is empty. There is no terminal to
// drive here, so the sessions that need one stay with the Linux build.
#include "tests/cli/qvl_session.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "platform/text/text.h"
#include "tests/support/temp_dir.h"

namespace qv::test {
namespace {

// A safety net against a qvl that never ends, not a pace.
constexpr DWORD kRunTimeoutMs = 60000;

// Splits `text` as a POSIX shell splits simple words: blanks separate, '…' keeps
// everything, "…" keeps everything but \" and \\, a backslash outside quotes
// keeps the next character.
std::vector<std::string> ShellWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const std::size_t end = text.find('\'', i + 1);
      word += text.substr(i + 1, end - i - 1);
      i = end == std::string::npos ? text.size() : end;
    } else if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
        word += text[i];
      }
    } else if (c == '\\' && i + 1 < text.size()) {
      word += text[++i];
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// `argument` quoted so that the program's command-line parser gives it back as it is.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes double only before a quote, which gets one of its own.
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// The build names qvl.exe by its path on the build machine; Wine's Z: is its root.
std::wstring ProgramPath() {
  std::wstring path = Wide(QUORVEL_QVL_BINARY);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// This process's variables without the ones a test must set itself, then `extra`.
std::wstring EnvironmentBlock(const std::vector<std::string>& extra) {
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::wstring text = entry;
    if (text.starts_with(L"QVL_PASSWORD=") || text.starts_with(L"QUORVEL_PROFILE=")) continue;
    block += text;
    block += L'\0';
  }
  FreeEnvironmentStringsW(strings);
  for (const std::string& assignment : extra) {
    block += Wide(assignment);
    block += L'\0';
  }
  block += L'\0';
  return block;
}

HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

QvlResult QvlSession::Run(const std::string& arguments, const std::string& environment) {
  std::wstring commandLine = Quoted(ProgramPath());
  for (const std::string& word : ShellWords(arguments)) commandLine += L" " + Quoted(Wide(word));
  std::wstring variables = EnvironmentBlock(ShellWords(environment));

  WriteFileBytes(Scratch("stdin.txt"), "");
  HANDLE input = InheritableFile(Scratch("stdin.txt"), GENERIC_READ, OPEN_EXISTING);
  HANDLE output = InheritableFile(Scratch("stdout.txt"), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE error = InheritableFile(Scratch("stderr.txt"), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  const std::wstring folder = Scratch("").wstring();
  const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, variables.data(),
                                      folder.c_str(), &startup, &process) != 0;
  CloseHandle(input);
  CloseHandle(output);
  CloseHandle(error);
  QvlResult result;
  if (!started) {
    ADD_FAILURE() << "qvl.exe did not start (error " << GetLastError() << ")";
    return result;
  }
  if (WaitForSingleObject(process.hProcess, kRunTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    ADD_FAILURE() << "qvl.exe did not end within a minute";
  }
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code) != 0) result.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.out = ReadFileBytes(Scratch("stdout.txt"));
  result.err = ReadFileBytes(Scratch("stderr.txt"));
  return result;
}

QvlResult QvlSession::RunInTerminal(const std::vector<std::string>&, const std::vector<std::string>&) {
  ADD_FAILURE() << "no terminal to drive on Windows";
  return {};
}

}  // namespace qv::test
