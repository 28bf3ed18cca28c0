// Handing an address or a file to the shell.
#pragma once

// Opens text with the shell verb "open"; an empty text does nothing. The
// result is not checked.
void OpenWithShell(const char* text);

// The same for a UTF-16 text (element attributes), converted to the ANSI code
// page first.
void OpenWithShellWide(const wchar_t* text);
