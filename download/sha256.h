// SHA-256, for checking a downloaded file against the digest its catalogue
// names. Portable, no allocation; fed in pieces of any size.
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha256 {
  uint32_t state[8];
  uint64_t length;      // bytes fed so far
  uint8_t block[64];    // the block being filled
  size_t used;          // bytes of it filled
};

void Sha256Start(Sha256& hash);
void Sha256Add(Sha256& hash, const void* data, size_t size);
void Sha256Finish(Sha256& hash, uint8_t (&digest)[32]);

// The digest as 64 lower-case hex digits and NUL.
void Sha256Hex(const uint8_t (&digest)[32], char (&hex)[65]);

// Reads a digest written as 64 hex digits (either case); false for anything
// else (a catalogue's value that is not a digest is ignored).
bool ParseSha256Hex(const char* text, uint8_t (&digest)[32]);
