// The main window's menu, accelerators and toolbar, as data.
#pragma once

#include <span>

namespace qv::app {

// nId 0 is a separator. The text after a tab names the item's accelerator, as
// menus show it; the key itself comes from the accelerator table.
struct MenuItemTemplate {
  int nId;
  const char* strText;
};

struct MenuTemplate {
  const char* strText;
  std::span<const MenuItemTemplate> items;
};

struct AcceleratorTemplate {
  const char* strKey;  // in QKeySequence's portable text form
  int nCommand;
};

struct ToolBarButtonTemplate {
  int nCommand;
  int nImage;         // index into the toolbar strip
  const char* strText;
  bool bShowText;     // false: the button shows its icon alone
};

std::span<const MenuTemplate> MainMenuTemplate();
std::span<const AcceleratorTemplate> MainAccelerators();
std::span<const ToolBarButtonTemplate> MainToolBarTemplate();

}  // namespace qv::app
