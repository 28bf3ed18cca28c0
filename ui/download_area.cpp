// Download and banner area. Two guard pairs (busy, pending) keep a second
// request from running into one under way on this thread; requests from
// other threads are posted, with one pending post at a time for each kind.
#include "ui/download_area.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "config/promotion.h"
#include "core/app_state.h"
#include "core/main_window.h"
#include "core/text.h"
#include "download/transfer_state.h"
#include "ui/screens.h"
#include "ui/ui_strings.h"

namespace {

bool gRefreshBusy = false;
bool gRefreshPending = false;
bool gProgressBusy = false;
bool gProgressPending = false;

std::atomic<bool> gRefreshPosted{false};
std::atomic<bool> gProgressPosted{false};
std::atomic<int32_t> gRequestedTotal{0};
std::atomic<int32_t> gRequestedReceived{0};
std::atomic<uint64_t> gLastProgressPost{0};
constexpr uint64_t kProgressIntervalMs = 100;
void (*gRefreshObserver)() = nullptr;

void SetWide(HELEMENT element, const char* attribute, const char* text, size_t units) {
  if (element == nullptr) return;
  std::wstring wide(units, L'\0');
  AnsiToWide(text, &wide[0], units);
  HTMLayoutSetAttributeByName(element, attribute, wide.c_str());
  HTMLayoutUpdateElement(element, TRUE);
}

void SetTextOf(HELEMENT element, const char* text, size_t units) {
  if (element == nullptr) return;
  std::wstring wide(units, L'\0');
  AnsiToWide(text, &wide[0], units);
  HTMLayoutSetElementInnerText16(element, wide.c_str(), static_cast<UINT>(std::wcslen(wide.c_str())));
  HTMLayoutUpdateElement(element, TRUE);
}

void RunRefresh(HWND window) {
  if (gRefreshObserver != nullptr) gRefreshObserver();
  TransferState& transfer = Transfer();
  bool active = transfer.downloadActive;
  PromotionState promotion = CurrentPromotion();
  SetElementVisible(L"waitinginternetdiv", window, active && !transfer.connectionOpen);
  if (promotion.kind == PromotionKind::kGameBanner) {
    SetElementVisible(L"bannerplugdiv", window, false);
    SetWide(FindElementById(L"bannerpic", window), "src", promotion.picture, 256);
    SetTextOf(FindElementById(L"bannername", window), promotion.name, 256);
    SetTextOf(FindElementById(L"bannertext", window), promotion.description, 1024);
    SetElementVisible(L"progressdiv", window, active);
    SetElementVisible(L"buttcancel", window, active);
    SetElementVisible(L"buttdownload", window, !active);
  }
  if (promotion.kind == PromotionKind::kAdvert) {
    SetElementVisible(L"bannerplugdiv", window, false);
    SetElementVisible(L"waitinginternetdiv", window, false);
    SetElementVisible(L"advertdiv", window, true);
    SetWide(FindElementById(L"advertlink", window), "href", promotion.downloadUrl, 2048);
    SetWide(FindElementById(L"adverthref", window), "src", promotion.picture, 2048);
  }
  SetElementVisible(L"bannerplugdiv", window, promotion.kind == PromotionKind::kPlaceholder);
}

}  // namespace

void SetRefreshObserver(void (*observer)()) { gRefreshObserver = observer; }

void RefreshDownloadArea(HWND window, bool force) {
  if (!force && App().screenLoading) return;
  if (gRefreshBusy) {
    gRefreshPending = true;
    return;
  }
  gRefreshPending = false;
  gRefreshBusy = true;
  if (window == nullptr) {
    gRefreshBusy = false;
    return;
  }
  for (;;) {
    RunRefresh(window);
    gRefreshBusy = false;
    if (!gRefreshPending) break;
    // Once more for everything asked for meanwhile.
    gRefreshPending = false;
    gRefreshBusy = true;
  }
}

void ProgressTexts(int32_t total, int32_t received, wchar_t (&percentText)[32], int* value) {
  float percent = static_cast<float>(static_cast<double>(received) / static_cast<double>(total) * 100.0);
  std::swprintf(percentText, 32, L"%.1f", static_cast<double>(percent));
  *value = static_cast<int>(percent);
}

void UpdateDownloadProgress(int32_t total, int32_t received, bool force) {
  if (!force && App().screenLoading) return;
  if (gProgressBusy) {
    gProgressPending = true;
    return;
  }
  gProgressPending = false;
  gProgressBusy = true;
  HELEMENT progress = ProgressElement();
  if (App().mainWindow != nullptr && progress != nullptr && total > 0) {
    wchar_t percentText[32];
    int value = 0;
    ProgressTexts(total, received, percentText, &value);
    wchar_t title[256];
    std::swprintf(title, 256, L"%ls - %ls%%", Strings().wstr_download_in_progress, percentText);
    wchar_t valueText[16];
    std::swprintf(valueText, 16, L"%i", value);
    HTMLayoutSetAttributeByName(progress, "value", valueText);
    HTMLayoutSetAttributeByName(progress, "title", title);
    HTMLayoutUpdateElement(progress, TRUE);
  }
  gProgressBusy = false;
  gProgressPending = false;  // a request that came meanwhile is dropped
}

void RequestDownloadAreaRefresh() {
  // One post at a time: a request made while one is pending is carried by it;
  // one made while it runs posts the single further run.
  // Before the window exists there is nothing to refresh (its first screen
  // shows the state as it is then); a post without a window would go to this
  // thread's own queue and hold every later request back.
  HWND window = App().mainWindow;
  if (window == nullptr) return;
  if (gRefreshPosted.exchange(true)) return;
  if (!PostMessageW(window, kRefreshRequestMessage, 0, 0)) gRefreshPosted = false;
}

void RequestDownloadProgress(int32_t total, int32_t received) {
  // The latest figures always win; one post at a time carries them, and at
  // most one every kProgressIntervalMs: a transfer reports every block, far
  // more often than a bar can show, and each post costs both threads time.
  // The last figures of a file always go out.
  gRequestedTotal = total;
  gRequestedReceived = received;
  HWND window = App().mainWindow;
  if (window == nullptr) return;
  uint64_t now = GetTickCount64();
  bool whole = total > 0 && received >= total;
  if (!whole && now - gLastProgressPost.load() < kProgressIntervalMs) return;
  if (gProgressPosted.exchange(true)) return;
  gLastProgressPost = now;
  if (!PostMessageW(window, kProgressRequestMessage, 0, 0)) gProgressPosted = false;
}

void OnDownloadAreaRefreshRequest() {
  gRefreshPosted = false;
  RefreshDownloadArea(App().mainWindow, false);
}

void OnDownloadProgressRequest() {
  UpdateDownloadProgress(gRequestedTotal, gRequestedReceived, false);
  gProgressPosted = false;
}

LRESULT CALLBACK OnEngineNotification(UINT, WPARAM, LPARAM lParam, LPVOID) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header == nullptr || header->code != HLN_DATA_LOADED) return 0;
  const auto* loaded = reinterpret_cast<const NMHL_DATA_LOADED*>(lParam);
  if (loaded->uri == nullptr ||
      (std::wcsstr(loaded->uri, L"http://") == nullptr && std::wcsstr(loaded->uri, L"https://") == nullptr)) {
    return 0;
  }
  HWND window = App().mainWindow;
  if (loaded->status == 200) {
    SetElementVisible(L"bannerdivpic", window, true);
    RefreshDownloadArea(window, false);
  } else if (loaded->status == 404) {
    // The default picture of the game folder stands in for the missing one.
    const char* folder = App().gameFolder;
    size_t length = std::strlen(folder);
    char picture[MAX_PATH];
    std::snprintf(picture, sizeof picture,
                  length > 0 && folder[length - 1] == '\\' ? "%sthumbnails\\default.jpg" : "%s\\thumbnails\\default.jpg",
                  folder);
    SetPromotionPicture(picture);
    SetWide(FindElementById(L"bannerpic", window), "src", CurrentPromotion().picture, 256);
    SetElementVisible(L"bannerdivpic", window, true);
    RefreshDownloadArea(window, false);
  }
  return 0;
}
