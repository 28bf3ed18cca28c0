#include "download/digests.h"

#include <cstring>
#include <map>
#include <mutex>

#include "download/sha256.h"

namespace {

struct Known {
  uint8_t digest[32];
  int mismatches;
};

std::mutex gDigestsLock;
std::map<std::string, Known> gDigests;

}  // namespace

void SetDownloadDigest(const char* url, const char* hex) {
  Known known = {};
  std::lock_guard<std::mutex> lock(gDigestsLock);
  if (ParseSha256Hex(hex, known.digest)) {
    gDigests[url] = known;
  } else {
    gDigests.erase(url);
  }
}

bool DownloadDigest(const char* url, uint8_t (&digest)[32]) {
  std::lock_guard<std::mutex> lock(gDigestsLock);
  auto found = gDigests.find(url);
  if (found == gDigests.end()) return false;
  std::memcpy(digest, found->second.digest, sizeof digest);
  return true;
}

int CountDigestMismatch(const char* url) {
  std::lock_guard<std::mutex> lock(gDigestsLock);
  auto found = gDigests.find(url);
  return found == gDigests.end() ? 0 : ++found->second.mismatches;
}

void ForgetDownloadDigest(const char* url) {
  std::lock_guard<std::mutex> lock(gDigestsLock);
  gDigests.erase(url);
}

std::string DigestsImage(const std::vector<std::string>& urls) {
  std::string image;
  std::lock_guard<std::mutex> lock(gDigestsLock);
  std::map<std::string, bool> written;
  for (const std::string& url : urls) {
    auto found = gDigests.find(url);
    if (found == gDigests.end() || written[url]) continue;
    written[url] = true;
    char hex[65];
    Sha256Hex(found->second.digest, hex);
    image += std::string(hex) + " " + std::to_string(found->second.mismatches) + " " + url + "\n";
  }
  return image;
}

void LoadDigestsImage(const char* text, size_t size) {
  std::map<std::string, Known> loaded;
  size_t at = 0;
  while (at < size) {
    const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
    size_t lineEnd = end != nullptr ? static_cast<size_t>(end - text) : size;
    std::string line(text + at, lineEnd - at);
    at = lineEnd + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "<64 hex> <count> <address>"
    if (line.size() < 64 + 3 || line[64] != ' ') continue;
    Known known = {};
    if (!ParseSha256Hex(line.substr(0, 64).c_str(), known.digest)) continue;
    size_t space = line.find(' ', 65);
    if (space == std::string::npos || space == 65 || space - 65 > 2) continue;
    bool digits = true;
    for (size_t i = 65; i < space; ++i) digits = digits && line[i] >= '0' && line[i] <= '9';
    std::string url = line.substr(space + 1);
    if (!digits || url.empty() || url.size() >= 260 || url.find('\0') != std::string::npos) continue;
    known.mismatches = std::stoi(line.substr(65, space - 65));
    loaded[url] = known;
  }
  std::lock_guard<std::mutex> lock(gDigestsLock);
  gDigests = std::move(loaded);
}
