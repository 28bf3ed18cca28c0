// Screen loading and element access. Runs on the user-interface thread.
#include "ui/screens.h"

#include <cstring>
#include <map>
#include <mutex>
#include <cwchar>
#include <string>

#include "config/catalogue_text.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/launching.h"
#include "core/locks.h"
#include "core/main_window.h"
#include "core/text.h"
#include "download/transfer_state.h"
#include "ui/download_area.h"
#include "ui/game_list.h"

namespace {

HELEMENT gProgressElement = nullptr;
// The id under the last press of the main button, copied: the engine's own
// text would not outlive a change of the element.
std::wstring gPressedId;
bool gPressed = false;

// The element a mouse event is about: a bare text node counts as its parent.
HELEMENT EventElement(HELEMENT target) {
  LPCSTR type = nullptr;
  if (HTMLayoutGetElementType(target, &type) == HLDOM_OK && type != nullptr && std::strcmp(type, "text") == 0) {
    HELEMENT parent = nullptr;
    HTMLayoutGetParentElement(target, &parent);
    return parent;
  }
  return target;
}

const wchar_t* IdOf(HELEMENT element) {
  LPCWSTR id = nullptr;
  HTMLayoutGetAttributeByName(element, "id", &id);
  return id;
}

void SetText(HELEMENT element, const wchar_t* text) {
  HTMLayoutSetElementInnerText16(element, text, static_cast<UINT>(std::wcslen(text)));
  HTMLayoutUpdateElement(element, TRUE);
}

// Directory of the screens: the game folder's "html", read back from the
// system when it can be entered, else joined as text.
std::wstring HtmlFolder() {
  char folder[MAX_PATH] = "";
  {
    WorkDirLock dir;
    if (SetCurrentDirectoryA(App().gameFolder) && SetCurrentDirectoryA("html")) {
      GetCurrentDirectoryA(sizeof folder, folder);
    }
  }
  if (folder[0] == '\0') JoinText(folder, App().gameFolder, "\\html");
  wchar_t wide[256];
  AnsiToWide(folder, wide);
  return wide;
}

// Clicks posted and not yet taken: each id copy with its element.
std::mutex gClicksLock;
std::map<const wchar_t*, HELEMENT> gClicks;

}  // namespace

bool PostElementClick(HWND window, const wchar_t* id, HELEMENT element) {
  size_t length = id != nullptr ? std::wcslen(id) : 0;
  auto* copy = new wchar_t[length + 1];
  if (length > 0) std::wmemcpy(copy, id, length);
  copy[length] = L'\0';
  {
    std::lock_guard<std::mutex> lock(gClicksLock);
    gClicks[copy] = element;
  }
  if (PostMessageW(window, kElementClickMessage, reinterpret_cast<WPARAM>(copy), 0)) return true;
  std::lock_guard<std::mutex> lock(gClicksLock);
  gClicks.erase(copy);
  delete[] copy;
  return false;
}

std::unique_ptr<wchar_t[]> TakeClickedId(WPARAM wParam, HELEMENT* element) {
  *element = nullptr;
  std::lock_guard<std::mutex> lock(gClicksLock);
  auto found = gClicks.find(reinterpret_cast<const wchar_t*>(wParam));
  if (found == gClicks.end()) return nullptr;
  *element = found->second;
  std::unique_ptr<wchar_t[]> id(const_cast<wchar_t*>(found->first));
  gClicks.erase(found);
  return id;
}

HELEMENT FindInSubtree(HELEMENT element, const wchar_t* id) {
  if (element == nullptr || id == nullptr) return nullptr;
  const wchar_t* own = IdOf(element);
  if (own != nullptr && std::wcsstr(own, id) != nullptr) return element;
  UINT count = 0;
  if (HTMLayoutGetChildrenCount(element, &count) != HLDOM_OK) return nullptr;
  for (UINT i = 0; i < count; ++i) {
    HELEMENT child = nullptr;
    HTMLayoutGetNthChild(element, i, &child);
    if (HELEMENT found = FindInSubtree(child, id)) return found;
  }
  return nullptr;
}

HELEMENT FindElementById(const wchar_t* id, HWND window) {
  if (App().quitting || window == nullptr) return nullptr;
  HELEMENT root = nullptr;
  if (HTMLayoutGetRootElement(window, &root) != HLDOM_OK || root == nullptr) return nullptr;
  return FindInSubtree(root, id);
}

void SetElementVisible(const wchar_t* id, HWND window, bool visible) {
  HELEMENT element = FindElementById(id, window);
  if (element == nullptr) return;
  HTMLayoutSetStyleAttribute(element, "visibility", visible ? L"visible" : L"hidden");
  HTMLayoutUpdateElement(element, TRUE);
}

HELEMENT ProgressElement() { return gProgressElement; }

void LoadScreen(const wchar_t* fileName, HWND window) {
  AppState& app = App();
  LoadWrapperConfig();
  if (IsCatalogueText(CatalogueSnapshot()->text)) ChoosePromotion();

  std::wstring path = HtmlFolder() + L"\\" + fileName;
  HELEMENT oldRoot = nullptr;
  if (HTMLayoutGetRootElement(window, &oldRoot) == HLDOM_OK && oldRoot != nullptr) HTMLayoutDeleteElement(oldRoot);
  gProgressElement = nullptr;
  HTMLayoutLoadFile(window, path.c_str());
  app.screenLoading = true;

  CurrentGame game = CurrentGameCopy();
  char site[256];
  BuildSiteAddress(game, site, sizeof site);
  wchar_t siteWide[256];
  AnsiToWide(site, siteWide);
  for (const wchar_t* id : {L"SITEURL", L"SITEWWW"}) {
    if (HELEMENT element = FindElementById(id, window)) {
      HTMLayoutSetAttributeByName(element, "href", siteWide);
      HTMLayoutUpdateElement(element, TRUE);
    }
  }
  if (HELEMENT name = FindElementById(L"GGGG", window)) {
    wchar_t text[256];
    AnsiToWide(game.displayName, text);
    SetText(name, text);
  }
  HELEMENT list = FindElementById(L"gamelistframe", window);
  if (list != nullptr) BuildGameList(list);
  app.gameListShown = list != nullptr;

  RefreshDownloadArea(window, true);
  gProgressElement = FindElementById(L"progressbar", window);
  TransferState& transfer = Transfer();
  if (transfer.currentShowsProgress) UpdateDownloadProgress(transfer.total, transfer.received, true);

  HELEMENT root = nullptr;
  HTMLayoutGetRootElement(window, &root);
  HTMLayoutUpdateElement(root, TRUE);
  HTMLayoutSetElementState(root, STATE_FOCUS, 0, TRUE);
  app.screenLoading = false;
  HTMLayoutUpdateElement(root, TRUE);
}

BOOL CALLBACK ScreenClickHandler(LPVOID, HELEMENT, UINT group, LPVOID params) {
  if (group != HANDLE_MOUSE || params == nullptr) return FALSE;
  const auto* mouse = static_cast<const MOUSE_PARAMS*>(params);
  // Only the bubbling pass of an event not yet handled: exactly MOUSE_DOWN or
  // MOUSE_UP.
  if (mouse->cmd != MOUSE_DOWN && mouse->cmd != MOUSE_UP) return FALSE;
  bool mainButton = (mouse->button_state & MAIN_MOUSE_BUTTON) != 0;
  if (mouse->cmd == MOUSE_DOWN) {
    if (mainButton) {
      const wchar_t* id = IdOf(EventElement(mouse->target));
      gPressedId = id != nullptr ? id : L"";
      gPressed = id != nullptr;
    }
    return TRUE;
  }
  if (gPressed && mainButton) {
    HELEMENT element = EventElement(mouse->target);
    gPressed = false;
    const wchar_t* id = IdOf(element);
    if (id != nullptr && gPressedId == id) {
      LPCWSTR href = nullptr;
      HTMLayoutGetAttributeByName(element, "href", &href);
      if (href != nullptr) OpenWithShellWide(href);
      PostElementClick(App().mainWindow, id, element);
    }
  }
  return TRUE;
}
