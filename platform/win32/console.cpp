#include "platform/win32/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/wide_text.h"

namespace qv {

void PrepareConsoleForUtf8() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  return arguments;
}

void ReadEnvironmentAsUtf8(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
    if (value != nullptr) (void)_putenv_s(name.c_str(), Utf8FromWide(value).c_str());
  }
}

}  // namespace qv
