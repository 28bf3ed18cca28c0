// Reading "downloads.txt" back: any bytes give only terminated records, and
// the records written again read back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "download/digests.h"
#include "download/download_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<DownloadRecord> records = ParseDownloadList(data, size);
  for (const DownloadRecord& record : records) {
    if (!std::memchr(record.url, 0, 260) || !std::memchr(record.partPath, 0, 260) ||
        !std::memchr(record.finalPath, 0, 260)) {
      std::abort();
    }
  }
  std::string image = DownloadListImage(records);
  std::vector<DownloadRecord> again =
      ParseDownloadList(reinterpret_cast<const uint8_t*>(image.data()), image.size());
  if (again.size() != records.size() ||
      (!records.empty() && std::memcmp(again.data(), records.data(), records.size() * sizeof records[0]) != 0)) {
    std::abort();
  }
  // The digests beside the list: read back and written again, the same.
  LoadDigestsImage(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> urls;
  for (size_t at = 0; at + 65 < size && urls.size() < 8; at += 97) {
    urls.emplace_back(reinterpret_cast<const char*>(data) + at, std::min<size_t>(40, size - at));
  }
  std::string digests = DigestsImage(urls);
  LoadDigestsImage(digests.data(), digests.size());
  if (DigestsImage(urls) != digests) std::abort();
  if (size > 0 && size < 300) {
    char name[260];
    std::string url(reinterpret_cast<const char*>(data), size);
    url = url.c_str();
    if (UrlFileName(url.c_str(), name, 100)) {
      size_t length = std::strlen(name);
      if (length == 0 || length > 100 || std::strpbrk(name, "\\/:*?\"<>|") != nullptr ||
          std::strstr(name, "..") != nullptr || name[length - 1] == '.' || name[length - 1] == ' ') {
        std::abort();
      }
    }
  }
  return 0;
}
