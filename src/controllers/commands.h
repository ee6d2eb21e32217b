// The commands of the frame and of the explorer windows by id, the two menus and the toolbar's buttons:
// one table each, from which the window builds its menus and its toolbar.
#pragma once

#include <span>
#include <string_view>

#include "items/command_ids.h"

namespace vendrel {

inline constexpr int kCmdAbout = 104;       // "&About ..." (also Alt+? and Alt+/)
inline constexpr int kCmdExit = 105;        // "E&xit"
inline constexpr int kCmdOpen = 32771;      // "Open..."
inline constexpr int kCmdCloseAll = 32772;  // "Close All Windows"
inline constexpr int kCmdExploreWorkingDirectory = 32778;
inline constexpr int kCmdCascade = 32781;
inline constexpr int kCmdTileVertically = 32782;    // side by side
inline constexpr int kCmdTileHorizontally = 32783;  // one above the other
inline constexpr int kCmdAssociateDbx = 32789;
inline constexpr int kCmdDefaultIdentity = 32790;  // "Default"
inline constexpr int kCmdBuddy1 = 32791;           // "Buddy 1" .. "Buddy 4": 32791 .. 32794
inline constexpr int kCmdBuddy4 = 32794;
inline constexpr int kCmdMoreIdentities = 32796;  // "More..."
inline constexpr int kCmdIdentities = 32797;
inline constexpr int kCmdDirectDbWindows = 32798;  // "Windows" of the DirectDB menu
inline constexpr int kCmdDownload = 32799;         // "Download new version..."
inline constexpr int kCmdCheckDatabase = 32800;    // "Check database"
inline constexpr int kCmdExport = 32801;           // "Export..."
inline constexpr int kCmdCodePage = 32802;         // "Code page..."
inline constexpr int kCmdWorkingDirectory = 32803;  // "Default directory..."
inline constexpr int kCmdHelpContents = 32804;     // "Vendrel help" (F1)
inline constexpr int kCmdCloseWindow = 32805;      // "Close" (Ctrl+W, Ctrl+F4)
inline constexpr int kCmdFind = 32806;             // "Find..." (Ctrl+F)
inline constexpr int kCmdRecentFile1 = 32810;      // the recent files of the File menu: 32810 .. 32817
inline constexpr int kRecentFileCount = 8;

// Commands the frame enables whatever is open, and the ones it disables while no explorer is active.
inline constexpr int kAlwaysAvailableCommands[] = {
    kCmdOpen,           kCmdExploreWorkingDirectory, kCmdAssociateDbx, kCmdAbout,        kCmdExit,
    kCmdDefaultIdentity, kCmdBuddy1,                 kCmdBuddy1 + 1,   kCmdBuddy1 + 2,   kCmdBuddy4,
    kCmdMoreIdentities, kCmdCodePage,                kCmdWorkingDirectory, kCmdHelpContents, kCmdFind};
inline constexpr int kDatabaseFrameCommands[] = {kCmdIdentities, kCmdSave,    kCmdSaveAs, kCmdSaveDefault,
                                                 kCmdPreview,    kCmdRefresh, kCmdStop,   kCmdNewFolder,
                                                 kCmdNewMessage, kCmdCut,     kCmdCopy,   kCmdPaste};

enum class MenuId { Frame = 109, Explorer = 110 };

// One menu item; command 0 is a separator.
struct MenuItem {
  int command;
  std::string_view label;
};

struct MenuPopup {
  std::string_view label;
  std::span<const MenuItem> items;
  bool listsWindows = false;  // the "Window" popup, which also lists the open windows
};

std::span<const MenuPopup> MenuPopups(MenuId menu);
// The commands of the item under the mouse, for its context menu.
std::span<const MenuItem> ContextMenuItems();

// One button of the toolbar; image -1 and command -1 make a separator.
struct ToolbarButton {
  int image;
  int command;
  std::string_view label;
  std::string_view tooltip;
};

std::span<const ToolbarButton> ToolbarButtons();

}  // namespace vendrel
