#include "core/path_text.h"

#include <cstring>

bool FolderOfPath(const char* path, char* out, size_t outSize) {
  if (outSize == 0) return false;
  out[0] = '\0';
  const char* cut = std::strrchr(path, '\\');
  if (cut == nullptr) return false;
  size_t length = static_cast<size_t>(cut - path);
  bool bareDrive = length == 2 && path[1] == ':';
  size_t needed = bareDrive ? 3 : length;
  if (needed + 1 > outSize) return false;
  std::memcpy(out, path, length);
  if (bareDrive) out[length++] = '\\';
  out[length] = '\0';
  return true;
}
