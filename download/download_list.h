// The process-wide list of downloads, in the order the download thread
// fetches them: it always works on the first record. Every operation runs
// under the list lock. Portable; saving and loading the list file are in
// download_file.h.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "download/download_record.h"

void AppendDownload(const DownloadRecord& record);
// Appends the record unless one with the same finalPath (exact bytes) is in
// the list; true when it was appended. One step under the lock.
bool AppendDownloadUnlessQueued(const DownloadRecord& record);
size_t DownloadCount();
// index must be below DownloadCount(); otherwise std::invalid_argument.
DownloadRecord DownloadAt(size_t index);
// False when the list is empty.
bool FirstDownload(DownloadRecord* record);
void RemoveFirstDownload();
// Removes the first record whose url equals `url` byte for byte. Its index,
// or -1 when no record has that address.
long RemoveDownloadByUrl(const char* url);
void ReplaceDownloads(std::vector<DownloadRecord> records);
std::vector<DownloadRecord> DownloadsCopy();
// The url of every record, in order (the promotion rule's input).
std::vector<std::string> DownloadUrls();

// True once a manager update is in the list or was put there in this run;
// never cleared.
bool ManagerUpdateQueued();
void SetManagerUpdateQueued();
