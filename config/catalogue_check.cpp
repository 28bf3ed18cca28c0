#include "config/catalogue_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "config/announcement.h"
#include "config/catalogue_text.h"
#include "config/config_text.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/main_window.h"
#include "core/text.h"
#include "download/catalogue_request.h"
#include "download/digests.h"
#include "download/download_file.h"
#include "download/download_list.h"
#include "download/download_thread.h"
#include "ui/ui_strings.h"

namespace {

void Announce(const char* catalogue) {
  Announcement news = AnnouncementCopy();
  ConfigValue(news.gameName, catalogue, "game_name=");
  ConfigValue(news.gamePage, catalogue, "game_url=");
  ConfigValue(news.gameDownload, catalogue, "game_download=");
  ConfigValue(news.gameDownloadSha256, catalogue, "game_download_sha256=");
  StoreAnnouncement(news);

  AppState& app = App();
  wchar_t text[256];
  std::wcsncpy(text, Strings().wstring_new_game, 255);
  text[255] = L'\0';
  if (news.gameName[0] != '\0') {
    wchar_t name[64];
    AnsiToWide(news.gameName, name);
    size_t used = std::wcslen(text);
    std::swprintf(text + used, 256 - used, L" - %ls", name);
    text[255] = L'\0';
  }
  std::wmemcpy(app.newsText, text, 256);
  app.lastPopupWasInstall = false;
  SendMessageW(app.mainWindow, kShowNewsMessage, 0, 1);
}

void QueueManagerUpdate(const char* address, const char* digest) {
  SetManagerUpdateQueued();
  DownloadRecord record = {};
  if (!IsDownloadAddress(address)) return;  // nothing that could be fetched
  const char* folder = App().gameFolder;
  char letters[4] = {static_cast<char>('A' + std::rand() % 26), static_cast<char>('A' + std::rand() % 26),
                     static_cast<char>('A' + std::rand() % 26), '\0'};
  int part = std::snprintf(record.partPath, sizeof record.partPath, "%s\\Download\\WrapperUpdate.part%s",
                           folder, letters);
  int final = std::snprintf(record.finalPath, sizeof record.finalPath, "%s\\Download\\ZarnWrapper.exe", folder);
  if (part < 0 || final < 0 || static_cast<size_t>(part) >= sizeof record.partPath ||
      static_cast<size_t>(final) >= sizeof record.finalPath) {
    return;
  }
  CopyText(record.url, address);
  record.showProgress = 0;
  SetDownloadDigest(record.url, digest);
  if (AppendDownloadUnlessQueued(record)) {
    SaveDownloadList();
    WakeDownloadThread();
  }
}

void RunCheck(int mode) {
  FetchCatalogueText();
  std::shared_ptr<const CatalogueText> snapshot = CatalogueSnapshot();
  const char* catalogue = snapshot->text;
  if (catalogue[0] == '\0') return;

  uint32_t known = 0;
  if (!ProductKeyExists()) return;
  if (!ReadProductNumber("GAMES_VERSION", &known)) {
    known = 1;
    StoreProductNumber("GAMES_VERSION", 1);
  }
  if (!IsCatalogueText(catalogue)) return;
  ChoosePromotion();

  int32_t offeredGames = ConfigNumber(catalogue, "games=");
  int32_t offeredProgram = ConfigNumber(catalogue, "program=");
  char wrapperAddress[512];
  ConfigValue(wrapperAddress, catalogue, "wrapper_distrib=");
  char wrapperDigest[65];
  ConfigValue(wrapperDigest, catalogue, "wrapper_distrib_sha256=");
  Announcement news = AnnouncementCopy();
  ConfigValue(news.installReport, catalogue, "autobuild_script=");
  StoreAnnouncement(news);
  char forced[512];
  ConfigValue(forced, catalogue, "forced_cfg_url=");
  if (forced[0] != '\0') {
    char name[32];
    ForcedAddressName(CurrentGameCopy().partnerCode, name);
    StoreProductText(name, forced);
  }
  if (mode == 0) return;

  if (offeredGames > static_cast<int32_t>(known)) {
    Announce(catalogue);
    if (!StoreProductNumber("GAMES_VERSION", static_cast<uint32_t>(offeredGames))) return;
  }
  if (offeredProgram > static_cast<int32_t>(kManagerVersion) && !ManagerUpdateQueued()) {
    QueueManagerUpdate(wrapperAddress, wrapperDigest);
  }
}

}  // namespace

DWORD WINAPI CatalogueCheck(LPVOID mode) {
  RunCheck(static_cast<int>(reinterpret_cast<intptr_t>(mode)));
  App().catalogueCheckRunning = false;
  return 0;
}

void StartCatalogueCheck(int mode) {
  AppState& app = App();
  if (app.catalogueThread != nullptr) CloseHandle(app.catalogueThread);
  app.catalogueThread = CreateThread(nullptr, 0, CatalogueCheck, reinterpret_cast<LPVOID>(static_cast<intptr_t>(mode)),
                                     CREATE_SUSPENDED, &app.catalogueThreadId);
  if (app.catalogueThread == nullptr) {
    app.catalogueCheckRunning = false;
    return;
  }
  SetThreadPriority(app.catalogueThread, THREAD_PRIORITY_IDLE);
  ResumeThread(app.catalogueThread);
}
