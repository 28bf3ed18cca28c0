// The file cache table: insertion order, removal shifts later entries down.
#include "config/file_cache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "config/config_text.h"

namespace {

FileCacheEntry* gEntries[kFileCacheCapacity];
int gCount = 0;

void FoldedName(char (&out)[128], const char* name) {
  // Names are compared on their first 63 bytes (the caller's limit).
  CopyText(out, 64, name);
  UpcaseName(out);
}

}  // namespace

FileCacheEntry* FileCacheFind(const char* name) {
  char folded[128];
  FoldedName(folded, name);
  for (int i = 0; i < gCount; ++i) {
    if (std::strcmp(gEntries[i]->name, folded) == 0) return gEntries[i];
  }
  return nullptr;
}

bool FileCacheAdd(const char* name, int32_t size, char* data, bool owned) {
  if (gCount >= kFileCacheCapacity) return false;
  auto* entry = new (std::nothrow) FileCacheEntry{};
  if (entry == nullptr) return false;
  FoldedName(entry->name, name);
  entry->size = size;
  entry->data = data;
  entry->owned = owned;
  gEntries[gCount++] = entry;
  return true;
}

char* FileCacheLoad(const char* name, int32_t* outSize) {
  if (FileCacheEntry* entry = FileCacheFind(name)) {
    if (outSize != nullptr) *outSize = entry->size;
    return entry->data;
  }
  int32_t size = 0;
  char* block = ReadWholeFile(name, &size);
  if (block == nullptr) return nullptr;
  if (!FileCacheAdd(name, size, block, true)) {
    std::free(block);
    return nullptr;
  }
  if (outSize != nullptr) *outSize = size;
  return block;
}

bool FileCacheRelease(const char* data) {
  for (int i = 0; i < gCount; ++i) {
    FileCacheEntry* entry = gEntries[i];
    if (entry->data != data) continue;
    if (entry->owned) std::free(entry->data);
    delete entry;
    for (int j = i + 1; j < gCount; ++j) gEntries[j - 1] = gEntries[j];
    gEntries[--gCount] = nullptr;
    return true;
  }
  return false;
}

int FileCacheCount() { return gCount; }

const FileCacheEntry* FileCacheAt(int index) {
  return index >= 0 && index < gCount ? gEntries[index] : nullptr;
}

char* ReadWholeFile(const char* name, int32_t* size) {
  FILE* file = std::fopen(name, "rb");
  if (file == nullptr) return nullptr;
  char* block = nullptr;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length >= 0 && length < INT32_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
    block = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (block != nullptr) {
      if (std::fread(block, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length)) {
        block[length] = '\0';
        *size = static_cast<int32_t>(length);
      } else {
        std::free(block);
        block = nullptr;
      }
    }
  }
  std::fclose(file);
  return block;
}
