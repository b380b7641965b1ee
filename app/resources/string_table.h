// The window's strings by identifier. A command's string is its status-bar prompt,
// a line feed, and its tooltip.
#pragma once

#include <QString>

namespace qv::app {

// Empty for an identifier the table does not hold.
QString LoadResourceString(int nId);

// The part before the line feed, shown in the status bar while a menu item or a
// toolbar button is pointed at.
QString CommandPrompt(int nCommand);
// The part after it, shown as the button's tooltip.
QString CommandTip(int nCommand);

}  // namespace qv::app
