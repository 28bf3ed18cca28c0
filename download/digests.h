// The SHA-256 digests that the catalogue names for download addresses, kept
// beside the download list (in "digests.txt" next to "downloads.txt", whose
// format stays as other managers read it) so that a download keeps its
// digest across restarts. Portable; every operation runs under a lock of its
// own.
//
// File format: one line per address, "<64 hex digits> <mismatches> <address>"
// and LF. Lines that are not of that form are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Remembers the digest for an address; a value that is not 64 hex digits
// (or an empty one) leaves the address without a digest.
void SetDownloadDigest(const char* url, const char* hex);
bool DownloadDigest(const char* url, uint8_t (&digest)[32]);
// One more file of this address did not match its digest; the count so far.
int CountDigestMismatch(const char* url);
void ForgetDownloadDigest(const char* url);

// The file image of the digests of these addresses (those of the list).
std::string DigestsImage(const std::vector<std::string>& urls);
// Replaces every digest with those of a file image.
void LoadDigestsImage(const char* text, size_t size);
