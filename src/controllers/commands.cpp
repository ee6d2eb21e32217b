#include "controllers/commands.h"

namespace vendrel {

namespace {

constexpr MenuItem kFrameFile[] = {{kCmdOpen, "Open..."}, {0, ""}, {kCmdExit, "E&xit"}};
constexpr MenuItem kFrameTools[] = {{kCmdExploreWorkingDirectory, "Explore working directory..."},
                                    {kCmdAssociateDbx, "Associate dbx"},
                                    {0, ""},
                                    {kCmdCodePage, "Code page..."},
                                    {kCmdWorkingDirectory, "Default directory..."}};
constexpr MenuItem kIdentities[] = {{kCmdDefaultIdentity, "Default"}, {0, ""},
                                    {kCmdBuddy1, "Buddy 1"},          {kCmdBuddy1 + 1, "Buddy 2"},
                                    {kCmdBuddy1 + 2, "Buddy 3"},      {kCmdBuddy4, "Buddy 4"},
                                    {kCmdMoreIdentities, "More..."},  {0, ""},
                                    {kCmdIdentities, "Identities"}};
constexpr MenuItem kDirectDb[] = {{kCmdDirectDbWindows, "Windows"}};
constexpr MenuItem kHelp[] = {{kCmdHelpContents, "Vendrel help"},
                              {kCmdDownload, "Download new version..."},
                              {0, ""},
                              {kCmdAbout, "&About ..."}};

constexpr MenuItem kExplorerFile[] = {{kCmdOpen, "Open..."},
                                      {0, ""},
                                      {kCmdSave, "Save..."},
                                      {kCmdSaveAs, "Save as..."},
                                      {kCmdSaveDefault, "Save default"},
                                      {kCmdPreview, "Preview..."},
                                      {kCmdExport, "Export..."},
                                      {0, ""},
                                      {kCmdExit, "E&xit"}};
constexpr MenuItem kExplorerEdit[] = {{kCmdNewFolder, "New folder..."},
                                      {kCmdNewMessage, "New message..."},
                                      {0, ""},
                                      {kCmdCut, "Cut"},
                                      {kCmdCopy, "Copy"},
                                      {kCmdPaste, "Paste"},
                                      {0, ""},
                                      {kCmdFind, "Find..."}};
constexpr MenuItem kExplorerTools[] = {{kCmdExploreWorkingDirectory, "Explore working directory..."},
                                       {0, ""},
                                       {kCmdRefresh, "Refresh"},
                                       {kCmdStop, "Stop!"},
                                       {kCmdCheckDatabase, "Check database"},
                                       {0, ""},
                                       {kCmdAssociateDbx, "Associate dbx"},
                                       {0, ""},
                                       {kCmdCodePage, "Code page..."},
                                       {kCmdWorkingDirectory, "Default directory..."}};
constexpr MenuItem kWindow[] = {{kCmdCascade, "Cascade"},
                                {kCmdTileVertically, "Tile vertically"},
                                {kCmdTileHorizontally, "Tile horizontally"},
                                {0, ""},
                                {kCmdCloseWindow, "Close"},
                                {kCmdCloseAll, "Close All Windows"}};
constexpr MenuItem kContext[] = {{kCmdSaveDefault, "Save default"},
                                 {kCmdSave, "Save..."},
                                 {kCmdSaveAs, "Save as..."},
                                 {kCmdPreview, "Preview..."},
                                 {0, ""},
                                 {kCmdNewFolder, "New folder..."},
                                 {kCmdCopy, "Copy"},
                                 {0, ""},
                                 {kCmdRefresh, "Refresh"},
                                 {kCmdCheckDatabase, "Check database"}};

constexpr MenuPopup kFrameMenu[] = {{"&File", kFrameFile},
                                    {"Tools", kFrameTools},
                                    {"OEs", kIdentities},
                                    {"DirectDB", kDirectDb},
                                    {"&Help", kHelp}};
constexpr MenuPopup kExplorerMenu[] = {
    {"&File", kExplorerFile}, {"Edit", kExplorerEdit},   {"Tools", kExplorerTools}, {"OEs", kIdentities},
    {"DirectDB", kDirectDb},  {"Window", kWindow, true}, {"&Help", kHelp}};

constexpr ToolbarButton kButtons[] = {
    {0, kCmdOpen, "Open...", "Open Folders or Messages database"},
    {1, kCmdSaveDefault, "Default", "Save in default directory with default name"},
    {1, kCmdSave, "In...", "Save in selected directory with default name"},
    {1, kCmdSaveAs, "As...", "Save in selected directory with desired name"},
    {2, kCmdPreview, "View...", "View message with Outlook Express"},
    {-1, -1, "", ""},
    {9, kCmdNewFolder, "New...", "Create new mail folder"},
    {10, kCmdNewMessage, "New...", "Create new message"},
    {4, kCmdCut, "Cut", "Cut"},
    {5, kCmdCopy, "Copy", "Copy"},
    {6, kCmdPaste, "Paste", "Paste"},
    {-1, -1, "", ""},
    {8, kCmdRefresh, "Refresh", "Refresh active item"},
    {7, kCmdStop, "Stop", "Stop current action"},
    {3, kCmdExploreWorkingDirectory, "Explore", "Explore working directory"},
};

}  // namespace

std::span<const MenuPopup> MenuPopups(MenuId menu) {
  if (menu == MenuId::Frame) return kFrameMenu;
  return kExplorerMenu;
}

std::span<const MenuItem> ContextMenuItems() {
  return kContext;
}

std::span<const ToolbarButton> ToolbarButtons() {
  return kButtons;
}

}  // namespace vendrel
