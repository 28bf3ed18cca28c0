// The download record and "downloads.txt", the file that mirrors the list of
// downloads: its byte image, reading it back, and the names and paths a
// record gets from its address. Portable: no Windows headers.
//
// File format: zero or more entries, no header. Each entry is the record
// length as 4 bytes little-endian (always 781, so every entry starts with
// 0D 03 00 00) followed by the 781-byte record image. An empty list is an
// empty file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DownloadRecord {
  char url[260];        // NUL-terminated, system code page
  char partPath[260];   // full path of the partial file
  char finalPath[260];  // full path of the finished file
  uint8_t showProgress; // 1: started by the user, progress on screen
};

// The record's memory image is its image in the file: no padding, in every
// build.
static_assert(sizeof(DownloadRecord) == 781, "DownloadRecord is 781 bytes with no padding");
static_assert(alignof(DownloadRecord) == 1, "DownloadRecord has no alignment padding");

constexpr uint32_t kDownloadRecordLength = 781;
constexpr size_t kDownloadEntrySize = 4 + sizeof(DownloadRecord);

// The file image of the records, in order.
std::string DownloadListImage(const std::vector<DownloadRecord>& records);

// Records read back from a file image. Reading stops at an entry whose length
// field is not 781 or that the end of the data cuts short; an entry whose
// texts are not terminated within their fields is left out and reading goes
// on. The good records before a bad entry are kept.
std::vector<DownloadRecord> ParseDownloadList(const uint8_t* data, size_t size);

// The address's file name: the text after its last "/" (the whole address
// without one), made safe as one file name: path separators, "..", ":" and
// every character Windows forbids in names (the query's "?" among them) and
// control characters become "_", as do trailing dots and spaces; a device
// name ("CON", "NUL", "COM1" ...) gets a "_" in front; an empty name becomes
// "download". Cut to maxLength bytes, keeping a short extension. False when
// maxLength is too small for any name.
bool UrlFileName(const char* url, char* out, size_t maxLength);

// Whether the address is one the download thread can fetch: "http://" or
// "https://" (any case) followed by something, and shorter than the field.
bool IsDownloadAddress(const char* url);

// A game download: url = the address; finalPath = "<dataFolder>\Download\<name>"
// (one backslash after the folder); partPath = finalPath + ".part". False,
// with `record` untouched, when the address is not a download address or the
// paths would not fit their fields.
bool MakeGameDownload(const char* dataFolder, const char* url, bool showProgress,
                      DownloadRecord* record);
