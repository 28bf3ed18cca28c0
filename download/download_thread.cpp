// One pass of the thread handles a cancel request, opens the Internet handle,
// reads one block of the open transfer or starts the first record. Failures
// never repeat at once: an attempt that did not take the file further than it
// had ever been waits 1 s, doubling to a minute, before the next; an attempt
// that did is resumed at once.
#include "download/download_thread.h"

#include <wininet.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "config/config_text.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/main_window.h"
#include "download/digests.h"
#include "download/download_file.h"
#include "download/download_list.h"
#include "download/finish_download.h"
#include "download/sha256.h"
#include "download/transfer_rules.h"
#include "download/transfer_state.h"
#include "ui/download_area.h"
#include "ui/ui_strings.h"

namespace {

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE;
constexpr uint32_t kBlockSize = 4096;

std::atomic<bool> gCancelRequested{false};

// The open transfer. Owned by the download thread.
struct OpenTransfer {
  DownloadRecord current = {};
  HINTERNET internet = nullptr;
  HINTERNET request = nullptr;
  HANDLE part = INVALID_HANDLE_VALUE;
  int32_t total = 0;
  int32_t received = 0;
  bool reading = false;
  bool complete = false;
  bool bodyFromRequest = true;
  // The furthest the partial file of `furthestFor` has been: an attempt that
  // takes it further made progress; one that only fills it again from the
  // start (a server that ignores ranges and drops) did not.
  int32_t furthest = 0;
  char furthestFor[260] = "";
  bool progressMade = false;  // the file grew past its furthest since the last failure
  char probeContentType[128] = "";
};

OpenTransfer gTransfer;
char gBlock[kBlockSize];

bool Stopping() { return App().transferStop; }

// The waits sleep on an event that WakeDownloadThread and
// RequestCancelDownload set. Everything that queues a download or stops the
// thread wakes it, so an empty list is looked at again only once a minute,
// in case something did not.
HANDLE gWake = nullptr;
constexpr uint32_t kIdleWaitMs = 60000;

// Waits up to ms; false when the thread must end. A cancel request, or a
// download added to an empty list when `forRecord` is set, cuts the wait
// short so that it is handled at once.
bool WaitOrStop(uint32_t ms, bool forRecord = false) {
  DWORD start = GetTickCount();
  for (;;) {
    if (Stopping()) return false;
    if (gCancelRequested || (forRecord && DownloadCount() > 0)) return true;
    DWORD waited = GetTickCount() - start;
    if (waited >= ms) return true;
    DWORD left = ms - waited;
    if (gWake != nullptr) {
      WaitForSingleObject(gWake, left);
    } else {
      Sleep(left < 50 ? left : 50);
    }
  }
}

void Publish() {
  TransferState& shared = Transfer();
  shared.total = gTransfer.total;
  shared.received = gTransfer.received;
}

void ReportProgress() {
  Publish();
  if (!App().quitting && gTransfer.current.showProgress == 1) {
    RequestDownloadProgress(gTransfer.total, gTransfer.received);
  }
}

void CloseTransfer() {
  if (gTransfer.part != INVALID_HANDLE_VALUE) CloseHandle(gTransfer.part);
  gTransfer.part = INVALID_HANDLE_VALUE;
  if (gTransfer.request != nullptr) InternetCloseHandle(gTransfer.request);
  gTransfer.request = nullptr;
  gTransfer.reading = false;
  gTransfer.complete = false;
}

void CloseInternet() {
  if (gTransfer.internet != nullptr) InternetCloseHandle(gTransfer.internet);
  gTransfer.internet = nullptr;
  Transfer().connectionOpen = false;
}

bool EmptyPartFile() {
  return SetFilePointer(gTransfer.part, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
         SetEndOfFile(gTransfer.part);
}

int QueryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
    return 0;
  }
  return static_cast<int>(status);
}

void QueryText(HINTERNET request, DWORD query, char* text, DWORD size) {
  DWORD length = size - 1;
  if (!HttpQueryInfoA(request, query, text, &length, nullptr)) length = 0;
  text[length < size ? length : size - 1] = '\0';
}

// The size of an existing partial file; 0 when there is none (or it is not
// a size this program can resume).
int32_t PartFileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 0x7fffffffu) return 0;
  return static_cast<int32_t>(data.nFileSizeLow);
}

// Opens the partial file at its end, making its folder when it is missing.
HANDLE OpenPartFile(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    char folder[260];
    CopyText(folder, path);
    if (char* slash = std::strrchr(folder, '\\')) {
      *slash = '\0';
      CreateDirectoryA(folder, nullptr);
      file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
  }
  return file;
}

enum class Start { kOpen, kFailed, kUnwritable };

Start StartTransfer(const DownloadRecord& record) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  gTransfer.current = record;
  if (record.showProgress == 1) Transfer().downloadActive = true;
  Transfer().currentShowsProgress = record.showProgress == 1;
  gTransfer.complete = false;
  gTransfer.bodyFromRequest = true;
  gTransfer.total = -1;
  gTransfer.received = PartFileSize(record.partPath);
  if (std::strcmp(gTransfer.furthestFor, record.partPath) != 0) {
    CopyText(gTransfer.furthestFor, record.partPath);
    gTransfer.furthest = gTransfer.received;
  }

  gTransfer.part = OpenPartFile(record.partPath);
  if (gTransfer.part == INVALID_HANDLE_VALUE) return Start::kUnwritable;
  if (SetFilePointer(gTransfer.part, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
    CloseTransfer();
    return Start::kFailed;
  }

  HINTERNET probe = InternetOpenUrlA(gTransfer.internet, record.url, nullptr, 0, kRequestFlags, 0);
  if (probe == nullptr) {
    CloseTransfer();
    return Start::kFailed;
  }
  int probeStatus = QueryStatus(probe);
  DWORD length = 0;
  DWORD size = sizeof length;
  gTransfer.total = HttpQueryInfoA(probe, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                                   &size, nullptr) && length <= 0x7fffffffu
                        ? static_cast<int32_t>(length)
                        : -1;
  char acceptRanges[256];
  QueryText(probe, HTTP_QUERY_ACCEPT_RANGES, acceptRanges, sizeof acceptRanges);
  QueryText(probe, HTTP_QUERY_CONTENT_TYPE, gTransfer.probeContentType, sizeof gTransfer.probeContentType);
  InternetCloseHandle(probe);
  // An error answer is not the file: nothing is written, and the attempt failed.
  if (probeStatus < 200 || probeStatus > 299) {
    CloseTransfer();
    return Start::kFailed;
  }

  // Without ranges, or with a partial file longer than the file now is, the
  // file starts again.
  bool restart = std::strstr(acceptRanges, "bytes") == nullptr ||
                 (gTransfer.total >= 0 && gTransfer.received > gTransfer.total);
  if (restart) {
    gTransfer.received = 0;
    if (!EmptyPartFile()) {
      CloseTransfer();
      return Start::kFailed;
    }
  }

  char range[64];
  std::snprintf(range, sizeof range, "Range: bytes=%i-", static_cast<int>(gTransfer.received));
  gTransfer.request = InternetOpenUrlA(gTransfer.internet, record.url, range, static_cast<DWORD>(-1),
                                       kRequestFlags, 0);
  if (gTransfer.request == nullptr) {
    CloseTransfer();
    return Start::kFailed;
  }
  char contentRange[128];
  QueryText(gTransfer.request, HTTP_QUERY_CONTENT_RANGE, contentRange, sizeof contentRange);
  switch (JudgeAnswer(QueryStatus(gTransfer.request), gTransfer.received, gTransfer.total,
                      ContentRangeStart(contentRange))) {
    case AnswerUse::kAppend: break;
    case AnswerUse::kFromStart:
      gTransfer.received = 0;
      if (!EmptyPartFile()) {
        CloseTransfer();
        return Start::kFailed;
      }
      break;
    case AnswerUse::kComplete:
      gTransfer.complete = true;
      gTransfer.bodyFromRequest = false;
      break;
    case AnswerUse::kFailAndEmpty:
      EmptyPartFile();
      CloseTransfer();
      return Start::kFailed;
    case AnswerUse::kFail:
      CloseTransfer();
      return Start::kFailed;
  }
  ReportProgress();
  gTransfer.reading = true;
  return Start::kOpen;
}

bool ReadBlock() {
  if (!gTransfer.reading) return false;
  if (gTransfer.complete) return true;  // whole before any read
  DWORD count = 0;
  if (!InternetReadFile(gTransfer.request, gBlock, kBlockSize, &count)) return false;
  if (count == 0) {
    // The end of the data: the file is whole only when its length was unknown.
    if (gTransfer.total != -1) return false;
    gTransfer.complete = true;
    return true;
  }
  uint32_t keep = WritableBytes(gTransfer.total, gTransfer.received, count);
  DWORD written = 0;
  if (keep > 0 && (!WriteFile(gTransfer.part, gBlock, keep, &written, nullptr) || written != keep)) {
    return false;  // the file holds what it held; the next attempt resumes from there
  }
  gTransfer.received += static_cast<int32_t>(keep);
  if (gTransfer.received > gTransfer.furthest) {
    gTransfer.furthest = gTransfer.received;
    gTransfer.progressMade = true;
  }
  gTransfer.complete = gTransfer.total != -1 && gTransfer.received == gTransfer.total;
  ReportProgress();
  return true;
}

void EmptyCurrent() {
  gTransfer.current = DownloadRecord{};
  Transfer().currentShowsProgress = false;
}

void HandleCancel() {
  PromotionState promotion = CurrentPromotion();
  if (gTransfer.reading || gTransfer.part != INVALID_HANDLE_VALUE) CloseTransfer();
  RemoveDownloadByUrl(promotion.downloadUrl);
  SaveDownloadList();
  EmptyCurrent();
  RequestDownloadAreaRefresh();
}

// A record whose partial file cannot be written can never be fetched: it
// leaves the list instead of holding up the records behind it.
void DropUnwritable() {
  RemoveFirstDownload();
  SaveDownloadList();
  if (gTransfer.current.showProgress == 1) Transfer().downloadActive = false;
  EmptyCurrent();
  RequestDownloadAreaRefresh();
}

// Whether the file's bytes have this SHA-256 digest.
bool FileHasDigest(const char* path, const uint8_t (&expected)[32]) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  Sha256 hash;
  Sha256Start(hash);
  std::vector<char> buffer(1 << 16);
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) != FALSE) && read > 0) {
    Sha256Add(hash, buffer.data(), read);
  }
  CloseHandle(file);
  uint8_t digest[32];
  Sha256Finish(hash, digest);
  return ok && std::memcmp(digest, expected, sizeof digest) == 0;
}

// A file that does not match its digest is deleted and nothing of it runs.
// The first time it is fetched again from byte 0; the second time the
// download is dropped and the user is told.
void RejectFile() {
  const DownloadRecord record = gTransfer.current;
  CloseTransfer();
  DeleteFileA(record.partPath);
  gTransfer.received = 0;
  Publish();
  if (CountDigestMismatch(record.url) >= 2) {
    RemoveFirstDownload();
    ForgetDownloadDigest(record.url);
    SaveDownloadList();
    if (record.showProgress == 1) Transfer().downloadActive = false;
    EmptyCurrent();
    RequestDownloadAreaRefresh();
    AppState& app = App();
    std::wcsncpy(app.newsText, Strings().wstring_download_failed, 255);
    app.newsText[255] = L'\0';
    SendMessageW(app.mainWindow, kShowNewsMessage, 0, 0);
    return;
  }
  SaveDownloadList();  // the count of mismatches survives a restart
  EmptyCurrent();
}

void Finish() {
  // The digest is checked before anything is renamed or run.
  uint8_t expected[32];
  if (DownloadDigest(gTransfer.current.url, expected)) {
    if (gTransfer.part != INVALID_HANDLE_VALUE) CloseHandle(gTransfer.part);
    gTransfer.part = INVALID_HANDLE_VALUE;
    if (!FileHasDigest(gTransfer.current.partPath, expected)) {
      RejectFile();
      return;
    }
  }
  RemoveFirstDownload();
  SaveDownloadList();
  FinishedTransfer finished = {};
  finished.record = gTransfer.current;
  finished.request = gTransfer.request;
  finished.partFile = gTransfer.part;
  finished.bodyFromRequest = gTransfer.bodyFromRequest;
  CopyText(finished.probeContentType, gTransfer.probeContentType);
  gTransfer.request = nullptr;
  gTransfer.part = INVALID_HANDLE_VALUE;
  gTransfer.reading = false;
  gTransfer.complete = false;
  gTransfer.received = 0;
  Publish();
  FinishDownload(finished);
  EmptyCurrent();
}

}  // namespace

void RequestCancelDownload() {
  gCancelRequested = true;
  WakeDownloadThread();
}

void WakeDownloadThread() {
  if (gWake != nullptr) SetEvent(gWake);
}

DWORD WINAPI DownloadThread(LPVOID) {
  uint32_t pause = 0;
  // After a failure: at once when the attempt brought bytes, else a growing pause.
  auto failed = [&pause]() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    if (gTransfer.progressMade) {
      pause = 0;
    } else {
      pause = NextRetryPauseMs(pause);
    }
    gTransfer.progressMade = false;
    return WaitOrStop(pause);
  };
  // What the thread has to tell goes to the main window, made just after the
  // thread starts: nothing is fetched before it exists, or the news of a
  // download that fails at once would be lost.
  while (App().mainWindow.load() == nullptr) {
    if (!WaitOrStop(50)) return 0;
  }
  while (!Stopping()) {
    if (gCancelRequested.exchange(false)) {
      HandleCancel();
      continue;
    }
    if (!Transfer().connectionOpen) {
      gTransfer.internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
      if (gTransfer.internet == nullptr) {
        if (!WaitOrStop(60000)) break;
        continue;
      }
      Transfer().connectionOpen = true;
    }
    if (gTransfer.reading) {
      if (!ReadBlock()) {
        CloseTransfer();
        CloseInternet();
        RequestDownloadAreaRefresh();
        if (!failed()) break;
      } else if (gTransfer.complete) {
        Finish();
        pause = 0;
        gTransfer.progressMade = false;
      }
      continue;
    }
    DownloadRecord first;
    if (!FirstDownload(&first)) {
      if (!WaitOrStop(kIdleWaitMs, true)) break;
      continue;
    }
    switch (StartTransfer(first)) {
      case Start::kOpen: RequestDownloadAreaRefresh(); break;
      case Start::kUnwritable: DropUnwritable(); break;
      case Start::kFailed:
        CloseInternet();
        RequestDownloadAreaRefresh();  // "waiting for the internet" while it retries
        if (!failed()) goto stopped;
        break;
    }
  }
stopped:
  CloseTransfer();
  CloseInternet();
  return 0;
}

bool StartDownloadThread() {
  AppState& app = App();
  if (gWake == nullptr) gWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  app.downloadThread = CreateThread(nullptr, 0, DownloadThread, nullptr, 0, &app.downloadThreadId);
  if (app.downloadThread == nullptr) return false;
  SetThreadPriority(app.downloadThread, THREAD_PRIORITY_LOWEST);
  return true;
}
