#include "app/resources/string_table.h"

#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

struct StringEntry {
  int nId;
  const char* strText;
};

constexpr StringEntry kStrings[] = {
    {IDR_MAINFRAME, "Quorvel"},
    {ID_FILE_BACKUP, "Backup selected item(s)\nBackup"},
    {ID_FILE_RESTORE, "Restore from backup archive\nRestore"},
    {ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application\nExit"},
    {ID_HELP, "Open the user manual\nHelp"},
    {ID_CONTEXT_HELP, "Click a button, a menu item or the list to learn what it is for\nWhat's This?"},
};

}  // namespace

QString LoadResourceString(int nId) {
  for (const StringEntry& entry : kStrings) {
    if (entry.nId == nId) return QString::fromUtf8(entry.strText);
  }
  return {};
}

QString CommandPrompt(int nCommand) { return LoadResourceString(nCommand).section(u'\n', 0, 0); }

QString CommandTip(int nCommand) { return LoadResourceString(nCommand).section(u'\n', 1, 1); }

}  // namespace qv::app
