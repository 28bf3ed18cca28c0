#include "download/download_record.h"

#include <cctype>
#include <cstring>

#include "config/config_text.h"

namespace {

bool Terminated(const char (&text)[260]) { return std::memchr(text, '\0', sizeof text) != nullptr; }

bool ForbiddenInName(unsigned char c) {
  return c < 0x20 || c == 0x7f || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

bool IsDeviceName(const std::string& name) {
  // The stem before the first dot decides: "con.txt" is the console too.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

std::string DownloadListImage(const std::vector<DownloadRecord>& records) {
  std::string image;
  image.reserve(records.size() * kDownloadEntrySize);
  for (const DownloadRecord& record : records) {
    const char length[4] = {static_cast<char>(kDownloadRecordLength & 0xff),
                            static_cast<char>((kDownloadRecordLength >> 8) & 0xff), 0, 0};
    image.append(length, 4);
    image.append(reinterpret_cast<const char*>(&record), sizeof record);
  }
  return image;
}

std::vector<DownloadRecord> ParseDownloadList(const uint8_t* data, size_t size) {
  std::vector<DownloadRecord> records;
  size_t at = 0;
  while (size - at >= 4) {
    uint32_t length = static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
                      static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
    at += 4;
    if (length != kDownloadRecordLength || size - at < sizeof(DownloadRecord)) break;
    DownloadRecord record;
    std::memcpy(&record, data + at, sizeof record);
    at += sizeof record;
    if (Terminated(record.url) && Terminated(record.partPath) && Terminated(record.finalPath)) {
      records.push_back(record);
    }
  }
  return records;
}

namespace {

// Makes `name` one safe file name (see UrlFileName).
void CleanFileName(std::string& name) {
  for (char& c : name) {
    if (ForbiddenInName(static_cast<unsigned char>(c))) c = '_';
  }
  for (size_t dots = name.find(".."); dots != std::string::npos; dots = name.find("..", dots)) {
    name.replace(dots, 2, "__");
  }
  for (size_t end = name.size(); end > 0 && (name[end - 1] == '.' || name[end - 1] == ' '); --end) {
    name[end - 1] = '_';
  }
  if (name.empty()) name = "download";
  if (IsDeviceName(name)) name.insert(0, "_");
}

}  // namespace

bool UrlFileName(const char* url, char* out, size_t maxLength) {
  if (maxLength < 8) return false;
  const char* slash = std::strrchr(url, '/');
  std::string name = slash != nullptr ? slash + 1 : url;
  CleanFileName(name);
  while (name.size() > maxLength) {
    // Cut the stem and keep a short extension, which decides what the file
    // is; the cut may join two dots or make a device name, so clean again.
    size_t dot = name.rfind('.');
    std::string extension = dot != std::string::npos && name.size() - dot <= 8 ? name.substr(dot) : "";
    std::string stem = name.substr(0, maxLength - extension.size());
    for (size_t end = stem.size(); end > 0 && (stem[end - 1] == '.' || stem[end - 1] == ' '); --end) {
      stem[end - 1] = '_';
    }
    name = stem + extension;
    CleanFileName(name);
  }
  std::memcpy(out, name.c_str(), name.size() + 1);
  return true;
}

bool IsDownloadAddress(const char* url) {
  size_t length = strnlen(url, 260);
  if (length >= 260) return false;
  auto starts = [url, length](const char* scheme) {
    size_t n = std::strlen(scheme);
    if (length <= n) return false;
    for (size_t i = 0; i < n; ++i) {
      if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
    }
    return true;
  };
  return starts("http://") || starts("https://");
}

bool MakeGameDownload(const char* dataFolder, const char* url, bool showProgress,
                      DownloadRecord* record) {
  if (!IsDownloadAddress(url)) return false;
  size_t folderLength = std::strlen(dataFolder);
  bool slashEnded = folderLength > 0 && dataFolder[folderLength - 1] == '\\';
  std::string folder = std::string(dataFolder) + (slashEnded ? "" : "\\") + "Download\\";
  // Room for the name: 259 bytes of path, less the folder and ".part".
  if (folder.size() + 5 + 8 > 259) return false;
  char name[260];
  if (!UrlFileName(url, name, 259 - folder.size() - 5)) return false;
  DownloadRecord made = {};
  CopyText(made.url, url);
  CopyText(made.finalPath, (folder + name).c_str());
  CopyText(made.partPath, (folder + name + ".part").c_str());
  made.showProgress = showProgress ? 1 : 0;
  *record = made;
  return true;
}
