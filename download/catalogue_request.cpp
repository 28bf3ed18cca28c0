#include "download/catalogue_request.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <vector>

#include "config/catalogue_text.h"
#include "config/config_text.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "core/app_state.h"
#include "download/transfer_rules.h"

namespace {

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE;
constexpr DWORD kLargestCatalogue = 65535;

// Set once, when the manager quits (manual reset: it stays set).
HANDLE QuitEvent() {
  static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

// Sleeps up to ms; false as soon as the manager is quitting. The pause wakes
// at most once a second (to look at quitting) or when the quit event is set.
bool PauseUnlessQuitting(uint32_t ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (App().quitting) return false;
    DWORD waited = GetTickCount() - start;
    if (waited >= ms) return true;
    DWORD slice = ms - waited < 1000 ? ms - waited : 1000;
    if (QuitEvent() != nullptr) {
      WaitForSingleObject(QuitEvent(), slice);
    } else {
      Sleep(slice);
    }
  }
}

// Whether the server answered at all and not with a passing failure of its
// own: no status (the connection closed without an answer) and 5xx are tried
// again; any other answer went through, and whether it is a catalogue is
// seen from its text.
bool Answered(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
    return false;
  }
  return status >= 100 && status < 500;
}

// Reads the body until the announced length, the end of the data or a full
// buffer. False when a read fails.
bool ReadBody(HINTERNET request, std::vector<char>& body) {
  DWORD announced = 0;
  DWORD size = sizeof announced;
  DWORD wanted = kLargestCatalogue;
  if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size,
                     nullptr) &&
      announced < wanted) {
    wanted = announced;
  }
  body.assign(wanted, '\0');
  DWORD have = 0;
  while (have < wanted) {
    DWORD read = 0;
    if (!InternetReadFile(request, body.data() + have, wanted - have, &read)) return false;
    if (read == 0) break;
    have += read;
  }
  body.resize(have);
  return true;
}

}  // namespace

void StopCatalogueRequests() {
  if (QuitEvent() != nullptr) SetEvent(QuitEvent());
}

void ForcedAddressName(const char* partnerCode, char (&name)[32]) {
  std::snprintf(name, sizeof name, "FORCED_URL_%i", static_cast<int>(LeadingNumber(partnerCode)));
}

void FetchCatalogueText() {
  CurrentGame game = CurrentGameCopy();
  char valueName[32];
  ForcedAddressName(game.partnerCode, valueName);
  if (!ProductKeyExists()) return;
  char base[512];
  if (!ReadProductText(valueName, base, sizeof base)) {
    CopyText(base, ProductConfigCopy().catalogueAddress);
  }
  char address[2048];
  CatalogueRequestAddress(base, LeadingNumber(game.partnerCode), InstallationId(), game.partnerCode,
                          address, sizeof address);

  uint32_t pause = 0;
  std::vector<char> body;
  while (!App().quitting) {
    HINTERNET internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr) {
      if (!PauseUnlessQuitting(60000)) break;
      continue;
    }
    HINTERNET request = InternetOpenUrlA(internet, address, nullptr, 0, kRequestFlags, 0);
    bool read = request != nullptr && Answered(request) && ReadBody(request, body);
    if (request != nullptr) InternetCloseHandle(request);
    InternetCloseHandle(internet);
    if (read) {
      StoreCatalogueText(body.data(), body.size());
      return;
    }
    pause = NextRetryPauseMs(pause);
    if (!PauseUnlessQuitting(pause)) break;
  }
  StoreCatalogueText("", 0);
}
