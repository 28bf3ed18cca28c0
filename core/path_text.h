// Folder part of a Windows path. Portable.
#pragma once

#include <cstddef>

// The folder of `path`: a trailing backslash is cut off itself, otherwise the
// text is cut at its last backslash; a bare drive ("C:") becomes its root
// ("C:\"). False, with out empty, when path holds no backslash or the folder
// does not fit outSize - 1 bytes (a cut folder would name another one).
bool FolderOfPath(const char* path, char* out, size_t outSize);
