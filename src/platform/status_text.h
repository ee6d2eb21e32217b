// The one status-bar channel: every outcome the explorer reports goes through SetStatusText.
#pragma once

#include <string>

namespace vendrel {

inline constexpr const char* kWelcome =
    "Welcome to the Vendrel! Use Open command or drag'n'drop DBX to begin";
inline constexpr const char* kFailedToExpand = "Failed to expand, possible database changed or locked";
inline constexpr const char* kFailedToExplore = "Failed to explore, possible database changed or locked";
inline constexpr const char* kFailedToRefresh = "Failed to refresh, possible database was changed or locked";
inline constexpr const char* kRefreshSucceeded = "Refresh succeeded";
inline constexpr const char* kFailed = "Failed...";

// Registers the status line (the desktop's) for all later texts and shows the welcome line.
void ShowWelcome();
// Registers the status line without the welcome text (vendrel-cli), or unregisters it.
void SetStatusLineRegistered(bool registered);
// Shows text on the status line once one is registered; before that it does nothing.
void SetStatusText(const std::string& text);

}  // namespace vendrel
