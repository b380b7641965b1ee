#include "app/win32/prompts.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "app/resources/string_table_data.h"
#include "platform/text/text.h"

namespace qv::app::win32 {
namespace {

constexpr std::size_t kDetailLinesShown = 10;
// Room for any path the file dialogs hand back, long ones included.
constexpr DWORD kPathCapacity = 32768;

std::wstring AskFileName(HWND hOwner, std::string_view filter, const wchar_t* defaultExtension, bool bSave) {
  const std::wstring filterText = FileDialogFilter(filter);
  std::vector<wchar_t> buffer(kPathCapacity, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = hOwner;
  dialog.lpstrFilter = filterText.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrDefExt = defaultExtension;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (bSave ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : 0);
  const BOOL bChosen = bSave ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  return bChosen ? std::wstring(buffer.data()) : std::wstring();
}

}  // namespace

std::wstring Wide(std::string_view utf8) { return Wide(FromUtf8(utf8)); }

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string U16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::string Utf8(std::wstring_view text) { return ToUtf8(U16(text)); }

std::wstring LoadText(int nId) {
  const char* text = ResourceText(nId);
  return text ? Wide(text) : std::wstring();
}

std::wstring CommandPrompt(int nCommand) {
  const std::wstring text = LoadText(nCommand);
  return text.substr(0, text.find(L'\n'));
}

std::wstring CommandTip(int nCommand) {
  const std::wstring text = LoadText(nCommand);
  const std::size_t feed = text.find(L'\n');
  return feed == std::wstring::npos ? std::wstring() : text.substr(feed + 1);
}

std::wstring ItemText(HWND hDialog, int nId) {
  const HWND hItem = GetDlgItem(hDialog, nId);
  const int length = hItem ? GetWindowTextLengthW(hItem) : 0;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = length > 0 ? GetWindowTextW(hItem, text.data(), length + 1) : 0;
  text.resize(static_cast<std::size_t>(got));
  return text;
}

int ShowBox(HWND hOwner, std::string_view text, std::string_view caption, UINT nType) {
  return MessageBoxW(hOwner, Wide(text).c_str(), Wide(caption).c_str(), nType);
}

void ShowError(HWND hOwner, std::string_view text) { (void)ShowBox(hOwner, text, kErrorCaption, MB_OK | MB_ICONERROR); }

void ShowOutcome(HWND hOwner, const OutcomeBox& box) {
  if (!box.bShow) return;
  std::string text = box.strText;
  if (!box.strDetails.empty()) {
    text += "\n";
    std::size_t start = 0;
    std::size_t lines = 0;
    while (start < box.strDetails.size()) {
      std::size_t end = box.strDetails.find('\n', start);
      if (end == std::string::npos) end = box.strDetails.size();
      if (lines == kDetailLinesShown) {
        text += "\n...";
        break;
      }
      text += '\n';
      text.append(box.strDetails, start, end - start);
      ++lines;
      start = end + 1;
    }
  }
  const UINT nIcon = box.icon == OutcomeIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  (void)ShowBox(hOwner, text, box.strCaption, MB_OK | nIcon);
}

std::wstring FileDialogFilter(std::string_view filter) {
  // "Quorvel archive(*.qvl)": the name as shown, and the pattern inside the brackets.
  const std::wstring text = Wide(filter);
  const std::size_t open = text.rfind(L'(');
  const std::size_t close = text.rfind(L')');
  std::wstring pattern = L"*.*";
  if (open != std::wstring::npos && close != std::wstring::npos && close > open + 1) {
    pattern = text.substr(open + 1, close - open - 1);
  }
  std::wstring result = text;
  result.push_back(L'\0');
  result += pattern;
  result.push_back(L'\0');
  return result;  // the string's own terminator ends the list
}

std::wstring AskOpenFileName(HWND hOwner, std::string_view filter) {
  return AskFileName(hOwner, filter, nullptr, false);
}

std::wstring AskSaveFileName(HWND hOwner, std::string_view filter, const wchar_t* defaultExtension) {
  return AskFileName(hOwner, filter, defaultExtension, true);
}

std::wstring ManualPath() {
  std::vector<wchar_t> buffer(kPathCapacity, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kPathCapacity);
  std::wstring path(buffer.data(), length < kPathCapacity ? length : 0);
  const std::size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"manual.html";
}

void OpenManual(HWND hOwner) {
  const std::wstring manual = ManualPath();
  // ShellExecuteW tells success by a value above 32.
  const auto opened = reinterpret_cast<INT_PTR>(ShellExecuteW(hOwner, L"open", manual.c_str(), nullptr, nullptr, SW_SHOW));
  if (opened <= 32) ShowOutcome(hOwner, NotOpenedBox(Utf8(manual)));
}

}  // namespace qv::app::win32
