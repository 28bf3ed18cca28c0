#include "download/finish_download.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>

#include "config/config_text.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/locks.h"
#include "core/main_window.h"
#include "download/transfer_state.h"
#include "ui/download_area.h"
#include "ui/ui_strings.h"

namespace {

constexpr char kAutoRussian[] = "_auto_rus.exe";

#if defined(__i386__)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "SHELLEXECUTEINFOA of the 32-bit build");
#endif

SHELLEXECUTEINFOA ProgramRun(const char* path) {
  SHELLEXECUTEINFOA run = {};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.lpVerb = "open";
  run.lpFile = path;
  run.nShow = SW_SHOWNORMAL;
  return run;
}

// Waits on the process handle (no polling), then closes it.
void WaitForProgram(SHELLEXECUTEINFOA& run) {
  Sleep(500);
  if (run.hProcess == nullptr) return;
  WaitForSingleObject(run.hProcess, INFINITE);
  CloseHandle(run.hProcess);
  run.hProcess = nullptr;
}

bool UsablePartnerCode(const char* code) {
  if (code[0] == '\0') return false;
  for (const char* c = code; *c != '\0'; ++c) {
    bool plain = (*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                 *c == '-' || *c == '_';
    if (!plain) return false;  // a path separator or a dot would leave the folder
  }
  return true;
}

// The transfer is over: nothing of it is shown any more.
void ClearTransfer() {
  TransferState& transfer = Transfer();
  transfer.downloadActive = false;
  transfer.currentShowsProgress = false;
  transfer.received = 0;
}

}  // namespace

bool PartnerCodedName(const char* finalPath, const char* code, char (&renamed)[260]) {
  if (std::strstr(finalPath, kAutoRussian) == nullptr || !UsablePartnerCode(code)) return false;
  size_t length = std::strlen(finalPath);
  if (length < 12) return false;
  size_t keep = length - 12;  // without "auto_rus.exe", keeping the "_" before it
  size_t codeLength = std::strlen(code);
  if (keep + codeLength + std::strlen(kAutoRussian) >= sizeof renamed) return false;
  std::memcpy(renamed, finalPath, keep);
  std::memcpy(renamed + keep, code, codeLength);
  std::memcpy(renamed + keep + codeLength, kAutoRussian, sizeof kAutoRussian);
  return true;
}

void RunInstallerAndWait(const char* path) {
  SHELLEXECUTEINFOA run = ProgramRun(path);
  ShellExecuteExA(&run);
  WaitForProgram(run);
  PostMessageA(App().mainWindow, kInstallerEndedMessage, 0, 0);
}

void RunManagerUpdateAndWait(const char* path) {
  SHELLEXECUTEINFOA run = ProgramRun(path);
  {
    WorkDirLock dir;
    ShellExecuteExA(&run);
    WaitForProgram(run);
  }
  AppState& app = App();
  std::wcsncpy(app.newsText, Strings().wstring_update, 255);
  app.newsText[255] = L'\0';
  SendMessageW(app.mainWindow, kShowNewsMessage, 0, 0);
}

bool FinishDownload(FinishedTransfer& transfer) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
  char contentType[128] = "";
  if (transfer.bodyFromRequest && transfer.request != nullptr) {
    DWORD size = sizeof contentType - 1;
    if (!HttpQueryInfoA(transfer.request, HTTP_QUERY_CONTENT_TYPE, contentType, &size, nullptr)) {
      contentType[0] = '\0';
    }
    contentType[sizeof contentType - 1] = '\0';
  } else {
    CopyText(contentType, transfer.probeContentType);
  }
  if (transfer.partFile != INVALID_HANDLE_VALUE) CloseHandle(transfer.partFile);
  transfer.partFile = INVALID_HANDLE_VALUE;
  if (transfer.request != nullptr) InternetCloseHandle(transfer.request);
  transfer.request = nullptr;

  DownloadRecord& record = transfer.record;
  if (std::strstr(contentType, "text") != nullptr) {
    // A page in place of the file: the download ends here, and the progress
    // area goes away with it.
    DeleteFileA(record.partPath);
    ClearTransfer();
    RequestDownloadAreaRefresh();
    return false;
  }
  DeleteFileA(record.finalPath);
  MoveFileA(record.partPath, record.finalPath);
  record.showProgress = 0;
  ClearTransfer();
  RequestDownloadAreaRefresh();

  if (std::strstr(record.finalPath, "ZarnWrapper.exe") != nullptr) {
    RunManagerUpdateAndWait(record.finalPath);
    return true;
  }
  if (std::strstr(record.finalPath, ".exe") != nullptr) {
    char code[256];
    char renamed[260];
    if (std::strstr(record.finalPath, kAutoRussian) != nullptr && ReadGlobalPartnerCode(code) &&
        PartnerCodedName(record.finalPath, code, renamed)) {
      DeleteFileA(renamed);
      MoveFileA(record.finalPath, renamed);
      CopyText(record.finalPath, renamed);
    }
    RunInstallerAndWait(record.finalPath);
    ChoosePromotion();
    RequestDownloadProgress(100, 0);
  }
  return true;
}
