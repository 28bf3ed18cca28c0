#include "download/download_list.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

#include "core/locks.h"

namespace {
std::vector<DownloadRecord> gList;
std::atomic<bool> gManagerUpdateQueued{false};
}  // namespace

void AppendDownload(const DownloadRecord& record) {
  ListLock lock;
  gList.push_back(record);
}

bool AppendDownloadUnlessQueued(const DownloadRecord& record) {
  ListLock lock;
  for (const DownloadRecord& queued : gList) {
    if (std::strcmp(queued.finalPath, record.finalPath) == 0) return false;
  }
  gList.push_back(record);
  return true;
}

size_t DownloadCount() {
  ListLock lock;
  return gList.size();
}

DownloadRecord DownloadAt(size_t index) {
  ListLock lock;
  if (index >= gList.size()) throw std::invalid_argument("download index out of range");
  return gList[index];
}

bool FirstDownload(DownloadRecord* record) {
  ListLock lock;
  if (gList.empty()) return false;
  *record = gList.front();
  return true;
}

void RemoveFirstDownload() {
  ListLock lock;
  if (!gList.empty()) gList.erase(gList.begin());
}

long RemoveDownloadByUrl(const char* url) {
  ListLock lock;
  for (size_t i = 0; i < gList.size(); ++i) {
    if (std::strcmp(gList[i].url, url) == 0) {
      gList.erase(gList.begin() + static_cast<std::ptrdiff_t>(i));
      return static_cast<long>(i);
    }
  }
  return -1;
}

void ReplaceDownloads(std::vector<DownloadRecord> records) {
  ListLock lock;
  gList = std::move(records);
}

std::vector<DownloadRecord> DownloadsCopy() {
  ListLock lock;
  return gList;
}

std::vector<std::string> DownloadUrls() {
  ListLock lock;
  std::vector<std::string> urls;
  urls.reserve(gList.size());
  for (const DownloadRecord& record : gList) urls.emplace_back(record.url);
  return urls;
}

bool ManagerUpdateQueued() { return gManagerUpdateQueued; }
void SetManagerUpdateQueued() { gManagerUpdateQueued = true; }
