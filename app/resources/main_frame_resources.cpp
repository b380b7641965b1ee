#include "app/resources/main_frame_resources.h"

#include "app/resources/resource_ids.h"

namespace qv::app {
namespace {

constexpr MenuItemTemplate kFileItems[] = {
    {ID_FILE_BACKUP, "&Backup\tCtrl+B"},
    {ID_FILE_RESTORE, "&Restore\tCtrl+R"},
    {0, nullptr},
    {ID_APP_EXIT, "E&xit"},
};

constexpr MenuItemTemplate kHelpItems[] = {
    {ID_HELP_FINDER, "&Help Topics"},
    {0, nullptr},
    {ID_APP_ABOUT, "&About ..."},
};

constexpr MenuTemplate kMenu[] = {
    {"&File", kFileItems},
    {"&Help", kHelpItems},
};

constexpr AcceleratorTemplate kAccelerators[] = {
    {"Ctrl+B", ID_FILE_BACKUP},
    {"Ctrl+R", ID_FILE_RESTORE},
    {"F1", ID_HELP},
    {"Shift+F1", ID_CONTEXT_HELP},
};

constexpr ToolBarButtonTemplate kToolBar[] = {
    {ID_FILE_BACKUP, 0, "Backup", true},
    {ID_FILE_RESTORE, 1, "Restore", true},
    {ID_HELP_FINDER, 2, "Help", false},
};

}  // namespace

std::span<const MenuTemplate> MainMenuTemplate() { return kMenu; }
std::span<const AcceleratorTemplate> MainAccelerators() { return kAccelerators; }
std::span<const ToolBarButtonTemplate> MainToolBarTemplate() { return kToolBar; }

}  // namespace qv::app
