// Writes the Win32 window's dialog templates, menu, accelerators and string table
// as resource script from the data the Qt window is built from, so both windows
// show the same texts in the same places. Built for and run on the build machine.
//
//   write_window_resources OUTPUT.rc
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/resources/dialog_template.h"
#include "app/resources/main_frame_resources.h"
#include "app/resources/resource_ids.h"
#include "app/resources/string_table_data.h"

namespace {

using qv::app::ControlKind;

// A resource script string: quotes doubled, control characters escaped. The
// script is UTF-8 (code page 65001), so other text passes as it is.
std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '"') out += "\"\"";
    else if (*p == '\n') out += "\\n";
    else if (*p == '\t') out += "\\t";
    else if (*p == '\\') out += "\\\\";
    else out += *p;
  }
  return out + "\"";
}

std::string Rect(const qv::app::ControlTemplate& c) {
  return std::to_string(c.x) + ", " + std::to_string(c.y) + ", " + std::to_string(c.cx) + ", " + std::to_string(c.cy);
}

std::string Control(const qv::app::ControlTemplate& c) {
  const std::string id = std::to_string(c.nId);
  switch (c.kind) {
    case ControlKind::kStatic:
      // No "&" processing in a label that names no box: a title shows what it says.
      return "LTEXT " + Quoted(c.strText) + ", " + id + ", " + Rect(c) + (c.nId == qv::app::IDC_TITLE ? ", SS_NOPREFIX" : "");
    case ControlKind::kStaticBitmap:
      // Scaled with the dialog, so a larger font or screen keeps the picture filling its place.
      return "CONTROL " + std::to_string(c.nResource) + ", " + id + ", \"Static\", SS_BITMAP | SS_REALSIZECONTROL, " + Rect(c);
    case ControlKind::kStaticIcon:
      return "ICON " + std::to_string(c.nResource) + ", " + id + ", " + Rect(c);
    case ControlKind::kEdit:
      return "EDITTEXT " + id + ", " + Rect(c) + ", ES_AUTOHSCROLL";
    case ControlKind::kPasswordEdit:
      return "EDITTEXT " + id + ", " + Rect(c) + ", ES_AUTOHSCROLL | ES_PASSWORD";
    case ControlKind::kPushButton:
      return "PUSHBUTTON " + Quoted(c.strText) + ", " + id + ", " + Rect(c);
    case ControlKind::kDefPushButton:
      return "DEFPUSHBUTTON " + Quoted(c.strText) + ", " + id + ", " + Rect(c);
    case ControlKind::kAutoCheckBox:
      return "AUTOCHECKBOX " + Quoted(c.strText) + ", " + id + ", " + Rect(c);
    case ControlKind::kGroupBox:
      return "GROUPBOX " + Quoted(c.strText) + ", " + id + ", " + Rect(c);
  }
  return {};
}

void WriteDialog(std::ofstream& out, const qv::app::DialogTemplate& dialog) {
  out << dialog.nId << " DIALOGEX 0, 0, " << dialog.cx << ", " << dialog.cy << "\n"
      << "STYLE DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"
      << "CAPTION " << Quoted(dialog.strCaption) << "\n"
      << "FONT " << dialog.nPointSize << ", \"MS Shell Dlg\", 0, 0, 0x1\nBEGIN\n";
  for (const auto& control : dialog.controls) out << "  " << Control(control) << "\n";
  out << "END\n\n";
}

// "Ctrl+B", "Shift+F1", "F1" as a virtual key with its modifiers.
std::string Accelerator(const qv::app::AcceleratorTemplate& accelerator) {
  std::string key = accelerator.strKey;
  std::string flags = "VIRTKEY";
  for (const auto& [prefix, flag] : {std::pair{"Ctrl+", ", CONTROL"}, std::pair{"Shift+", ", SHIFT"}, std::pair{"Alt+", ", ALT"}}) {
    if (key.rfind(prefix, 0) == 0) {
      key.erase(0, std::strlen(prefix));
      flags += flag;
    }
  }
  std::string code;
  if (key.size() == 1) code = Quoted(key.c_str());
  else if (key[0] == 'F') code = std::to_string(0x6f + std::stoi(key.substr(1)));  // VK_F1 is 0x70
  return code + ", " + std::to_string(accelerator.nCommand) + ", " + flags;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: write_window_resources OUTPUT.rc\n", stderr);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << "// Written by write_window_resources from app/resources/: edit those, not this.\n\n";
  for (const auto* dialog : {&qv::app::BackupDialogTemplate(), &qv::app::EnterPasswordDialogTemplate(),
                             &qv::app::SplashDialogTemplate(), &qv::app::AboutDialogTemplate()}) {
    WriteDialog(out, *dialog);
  }

  out << qv::app::IDR_MAINFRAME << " MENU\nBEGIN\n";
  for (const auto& menu : qv::app::MainMenuTemplate()) {
    out << "  POPUP " << Quoted(menu.strText) << "\n  BEGIN\n";
    for (const auto& item : menu.items) {
      if (item.nId == 0) out << "    MENUITEM SEPARATOR\n";
      else out << "    MENUITEM " << Quoted(item.strText) << ", " << item.nId << "\n";
    }
    out << "  END\n";
  }
  out << "END\n\n";

  out << qv::app::IDR_MAINFRAME << " ACCELERATORS\nBEGIN\n";
  for (const auto& accelerator : qv::app::MainAccelerators()) out << "  " << Accelerator(accelerator) << "\n";
  out << "END\n\nSTRINGTABLE\nBEGIN\n";
  for (const auto& entry : qv::app::StringTableEntries()) out << "  " << entry.nId << ", " << Quoted(entry.strText) << "\n";
  out << "END\n";
  out.close();
  return out ? 0 : 1;
}
