// Starting the current game and waiting for it, and handing an address or a
// file to the shell.
#pragma once

// Runs "zsgame.dat" of the current game's "game" subfolder, with that folder
// as its current directory and as the whole of PATH, and returns when it has
// ended. Holds the working-directory lock for the whole run.
void RunGame();

// Opens text with the shell verb "open"; an empty text does nothing. The
// result is not checked.
void OpenWithShell(const char* text);

// The same for a UTF-16 text (element attributes), converted to the ANSI code
// page first.
void OpenWithShellWide(const wchar_t* text);
