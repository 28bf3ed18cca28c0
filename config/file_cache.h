// A small whole-file cache: a file is read into one heap block that is handed
// out by pointer and found again by its name folded to upper case. Portable
// (C stdio only). Not locked: its users run on the user-interface thread and
// load by relative name under the working-directory lock.
#pragma once

#include <cstddef>
#include <cstdint>

struct FileCacheEntry {
  char name[128];  // as passed, folded by UpcaseName
  int32_t size;    // bytes in data
  char* data;      // exactly size bytes of the file (plus one hidden NUL)
  bool owned;      // releasing the entry frees data
};

constexpr int kFileCacheCapacity = 1024;

// The first entry, in table order, whose name equals `name` folded to upper
// case; null when there is none. Only the first 63 bytes of name are used.
FileCacheEntry* FileCacheFind(const char* name);

// Appends an entry. False (and nothing stored) when the table is full.
bool FileCacheAdd(const char* name, int32_t size, char* data, bool owned);

// The bytes of the file `name` (resolved against the current directory), from
// the cache when an entry exists, else read from disk and added. Null when the
// file cannot be opened or read, or the table is full. outSize may be null.
// The block always has one NUL byte past its end, so a caller that overwrites
// its last byte with NUL, and a caller of a zero-byte file, both get a
// terminated text.
char* FileCacheLoad(const char* name, int32_t* outSize);

// Drops the entry whose data pointer is `data`; false when none has it.
bool FileCacheRelease(const char* data);

// Reads the whole file `name` into a new heap block (free with std::free) of
// size + 1 bytes, the last one a NUL that is not counted. Null when the file
// cannot be opened or read. Does not touch the cache.
char* ReadWholeFile(const char* name, int32_t* size);

// Number of live entries and the entry at an index, in table order.
int FileCacheCount();
const FileCacheEntry* FileCacheAt(int index);
