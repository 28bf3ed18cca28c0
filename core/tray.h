// The notification-area icon with its menu, and the start-with-Windows entry
// "ZarnDRM" that starts the game's launcher at logon.
#pragma once

#include <windows.h>

#include <string>

constexpr UINT kTrayIconId = 16;
constexpr UINT kTrayCallbackMessage = WM_USER + 13;

// Loads "small.ico" of the game folder and adds the icon for the main window.
void AddTrayIcon(HWND window);
// Adds the icon again after the shell has restarted ("TaskbarCreated").
void RestoreTrayIcon();
// Removes the icon and destroys its image (shutdown).
void RemoveTrayIcon();

// Shows the icon's menu at the cursor; a chosen item arrives as WM_COMMAND.
void ShowTrayMenu(HWND window);

// The entry's text for a launcher path: the path in double quotes, behind
// "cmd /c " when the machine's or the user's logon shell (Winlogon "Shell",
// lower case, empty counting as absent) is not the standard shell.
std::string AutostartCommand(const char* launcherPath, const char* machineShell,
                             const char* userShell);

// Writes "ZarnDRM" for the launcher of this run (argv[1]) into the Run key of
// the current user (Vista and later) or of the machine; deletes it.
void WriteAutostartEntry();
void DeleteAutostartEntry();

// Menu item 32776: inverts autostartEnabled, sets the check mark, writes or
// deletes the entry.
void ToggleAutostart();
