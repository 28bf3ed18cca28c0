#include "download/download_file.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "config/config_text.h"
#include "core/app_state.h"
#include "download/digests.h"
#include "download/download_list.h"

namespace {

// A list file larger than this is not the program's own: only its beginning
// is read (ten thousand records).
constexpr DWORD kLargestListFile = 10000 * kDownloadEntrySize;

std::mutex gSaveLock;

// The data folder followed by `tail`, with one backslash between them.
std::string InDataFolder(const char* tail) {
  std::string path = App().dataFolder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + tail;
}

bool WriteWhole(HANDLE file, const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(bytes.size() - at);
    if (!WriteFile(file, bytes.data() + at, chunk, &written, nullptr) || written == 0) return false;
    at += written;
  }
  return true;
}

void DeleteStalePartFiles() {
  std::string folder = InDataFolder("Download\\");
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.part").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      DeleteFileA((folder + found.cFileName).c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

void DownloadListPath(char (&path)[260]) { CopyText(path, InDataFolder("Download\\downloads.txt").c_str()); }

namespace {

// Writes the bytes to a temporary file beside `path` and moves it over.
void ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".new";
  if (path.size() >= MAX_PATH - 4) return;
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  bool written = WriteWhole(file, bytes) && FlushFileBuffers(file);
  CloseHandle(file);
  if (!written || !MoveFileExA(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
  }
}

// The bytes of a file of the data folder, at most `largest`; empty when missing.
std::vector<uint8_t> ReadDataFile(const std::string& path, DWORD largest) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size != INVALID_FILE_SIZE && (high != 0 || size > largest)) size = largest;
  if (size != INVALID_FILE_SIZE && size > 0) {
    bytes.resize(size);
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), size, &read, nullptr)) read = 0;
    bytes.resize(read);
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace

void SaveDownloadList() {
  std::lock_guard<std::mutex> saving(gSaveLock);
  std::vector<DownloadRecord> records = DownloadsCopy();
  std::vector<std::string> urls;
  for (const DownloadRecord& record : records) urls.emplace_back(record.url);
  ReplaceFile(InDataFolder("Download\\downloads.txt"), DownloadListImage(records));
  ReplaceFile(InDataFolder("Download\\digests.txt"), DigestsImage(urls));
}

void LoadDownloadList() {
  AppState& app = App();
  CreateDirectoryA(InDataFolder("Download").c_str(), nullptr);
  ReplaceDownloads({});
  std::string path = InDataFolder("Download\\downloads.txt");
  std::string digestsPath = InDataFolder("Download\\digests.txt");
  // A save that a kill interrupted leaves its temporary files behind.
  DeleteFileA((path + ".new").c_str());
  DeleteFileA((digestsPath + ".new").c_str());
  std::vector<uint8_t> digests = ReadDataFile(digestsPath, 1 << 20);
  LoadDigestsImage(reinterpret_cast<const char*>(digests.data()), digests.size());
  std::vector<uint8_t> bytes = ReadDataFile(path, kLargestListFile);
  if (bytes.empty()) {
    DeleteStalePartFiles();
    return;
  }
  std::vector<DownloadRecord> records = ParseDownloadList(bytes.data(), bytes.size());
  std::string update = std::string(app.gameFolder) + "\\Download\\ZarnWrapper.exe";
  for (const DownloadRecord& record : records) {
    if (update == record.finalPath) SetManagerUpdateQueued();
  }
  ReplaceDownloads(std::move(records));
}
