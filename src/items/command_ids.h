// The database commands of the explorer window, by menu and toolbar id.
#pragma once

namespace vendrel {

inline constexpr int kCmdSave = 32774;         // "Save..."
inline constexpr int kCmdSaveAs = 32775;       // "Save as..."
inline constexpr int kCmdPreview = 32776;      // "Preview..."
inline constexpr int kCmdSaveDefault = 32777;  // "Save default"
inline constexpr int kCmdRefresh = 32779;      // "Refresh"
inline constexpr int kCmdStop = 32780;         // "Stop!"
inline constexpr int kCmdCut = 32784;
inline constexpr int kCmdCopy = 32785;
inline constexpr int kCmdPaste = 32786;
inline constexpr int kCmdNewFolder = 32787;   // "New folder..."
inline constexpr int kCmdNewMessage = 32788;  // "New message..."

// The commands whose state the window keeps, in toolbar order.
inline constexpr int kDatabaseCommands[] = {kCmdSave,    kCmdSaveAs, kCmdSaveDefault, kCmdPreview,
                                            kCmdRefresh, kCmdStop,   kCmdNewFolder,   kCmdNewMessage,
                                            kCmdCut,     kCmdCopy,   kCmdPaste};

}  // namespace vendrel
