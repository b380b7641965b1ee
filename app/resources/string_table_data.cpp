#include "app/resources/string_table_data.h"

#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

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

std::span<const StringEntry> StringTableEntries() { return kStrings; }

const char* ResourceText(int nId) {
  for (const StringEntry& entry : kStrings) {
    if (entry.nId == nId) return entry.strText;
  }
  return nullptr;
}

}  // namespace qv::app
