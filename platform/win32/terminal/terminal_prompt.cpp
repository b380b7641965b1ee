#include "platform/terminal/terminal_prompt.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace qv {
namespace {

HANDLE g_hInput = nullptr;
DWORD g_nSavedMode = 0;
volatile LONG g_nEchoOff = 0;

// Ctrl-C in the middle of the question ends the program (the default handler
// runs next); the console gets its echo back first, as the console outlives us.
BOOL WINAPI RestoreEchoAndGoOn(DWORD) {
  if (InterlockedCompareExchange(&g_nEchoOff, 0, 1) == 1) SetConsoleMode(g_hInput, g_nSavedMode);
  return FALSE;
}

class EchoOff {
 public:
  EchoOff() {
    g_hInput = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(g_hInput, &g_nSavedMode)) return;
    SetConsoleCtrlHandler(RestoreEchoAndGoOn, TRUE);
    m_bInstalled = true;
    const DWORD quiet = (g_nSavedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                        ENABLE_PROCESSED_INPUT;
    if (SetConsoleMode(g_hInput, quiet)) InterlockedExchange(&g_nEchoOff, 1);
  }
  ~EchoOff() {
    if (!m_bInstalled) return;
    if (InterlockedCompareExchange(&g_nEchoOff, 0, 1) == 1) SetConsoleMode(g_hInput, g_nSavedMode);
    SetConsoleCtrlHandler(RestoreEchoAndGoOn, FALSE);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

  bool Quiet() const { return g_nEchoOff == 1; }

 private:
  bool m_bInstalled = false;
};

}  // namespace

bool StandardInputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::optional<std::string> PromptWithoutEcho(const std::string& prompt) {
  // Echo goes off before the question shows, so that nothing typed after it is
  // shown.
  const EchoOff echoOff;
  if (!echoOff.Quiet()) return std::nullopt;
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  // The console gives UTF-16, whatever its code page: a password of any script
  // arrives whole.
  std::wstring line;
  for (;;) {
    wchar_t unit = 0;
    DWORD got = 0;
    if (!ReadConsoleW(g_hInput, &unit, 1, &got, nullptr)) return std::nullopt;
    // Ctrl-Z at the start of a line is the console's end of input.
    if (got == 0 || (unit == 0x1A && line.empty())) return std::nullopt;
    if (unit == L'\n') break;
    line += unit;
  }
  if (!line.empty() && line.back() == L'\r') line.pop_back();
  // What the terminal's echo of the line end would have shown.
  std::fputs("\n", stderr);
  return Utf8FromWide(line);
}

}  // namespace qv
