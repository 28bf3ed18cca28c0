// The window side of the engine: one EngineWindow per window that the API
// has touched, holding the view, the host that serves it, the decoded
// pictures, the back buffer and the tooltip. Changes made through the element
// operations are drawn by a posted update (coalesced), or at once by
// HTMLayoutUpdateElement.
#include "ui/engine/win32/htmlayout.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/engine/picture_size.h"
#include "ui/engine/view.h"
#include "ui/engine/win32/font_cache.h"
#include "ui/engine/win32/painter.h"
#include "ui/engine/win32/pictures.h"

namespace {

using engine::ElementHandle;

HELEMENT ToHandle(ElementHandle element) {
  return reinterpret_cast<HELEMENT>(static_cast<uintptr_t>(element));
}
ElementHandle FromHandle(HELEMENT he) {
  uintptr_t value = reinterpret_cast<uintptr_t>(he);
  return value <= 0xFFFFFFFFu ? static_cast<ElementHandle>(value) : 0;
}

std::u16string ToU16(const wchar_t* text) {
  return text != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

bool StartsWithAscii(const std::u16string& address, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= address.size()) return false;
    char16_t c = address[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<char16_t>(prefix[i])) return false;
  }
  return true;
}

// An address that WinInet fetches: http:// or https://, in any letter case.
bool IsRemoteAddress(const std::u16string& address) {
  return StartsWithAscii(address, "http://") || StartsWithAscii(address, "https://");
}

// A local address as a file path ("file://" prefixes dropped).
std::wstring FilePath(const std::u16string& address) {
  std::u16string path = address;
  if (path.compare(0, 8, u"file:///") == 0) {
    path = path.substr(8);
  } else if (path.compare(0, 7, u"file://") == 0) {
    path = path.substr(7);
  }
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return std::wstring(path.begin(), path.end());
}

UINT ResourceMessage() {
  static UINT message = RegisterWindowMessageW(L"ZarnEngineResourceLoaded");
  return message;
}
UINT UpdateMessage() {
  static UINT message = RegisterWindowMessageW(L"ZarnEngineUpdate");
  return message;
}

struct EngineWindow;

// The host of one window's view.
class WindowHost : public engine::Host {
 public:
  explicit WindowHost(EngineWindow* owner) : owner_(owner) {}
  engine::FontMetrics GetFontMetrics(const engine::FontDesc& font) override {
    return win32host::MetricsFor(font);
  }
  int MeasureText(const engine::FontDesc& font, const char16_t* text, size_t length) override {
    return win32host::MeasureText(font, reinterpret_cast<const wchar_t*>(text), length);
  }
  bool GetImageSize(const std::u16string& url, engine::Size* size) override;
  void RequestResource(const std::u16string& url, engine::ResourceKind kind) override;
  std::u16string DecodeCodePage(const char* bytes, size_t length) override {
    if (length == 0) return std::u16string();
    int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
    std::u16string text(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), reinterpret_cast<wchar_t*>(&text[0]), n);
    return text;
  }

 private:
  EngineWindow* owner_;
};

struct EngineWindow {
  explicit EngineWindow(HWND w) : window(w), host(this), view(&host) {}
  ~EngineWindow() {
    for (auto& entry : pictures) win32host::FreePicture(&entry.second);
    if (backBuffer != nullptr) DeleteObject(backBuffer);
    if (tooltip != nullptr) DestroyWindow(tooltip);
  }

  HWND window;
  WindowHost host;
  engine::View view;
  LPHTMLAYOUT_NOTIFY notify = nullptr;
  LPVOID notifyParam = nullptr;
  std::map<std::u16string, win32host::Picture> pictures;  // decoded, by address
  // Local pictures whose size is known but whose pixels are not held: read
  // from the header only, or let go while the window was hidden. They are
  // decoded when first drawn, small ones from the bytes read for the header.
  struct Undecoded {
    engine::Size size;
    std::vector<uint8_t> bytes;  // a small file's whole content, read with its header
  };
  std::map<std::u16string, Undecoded> undecoded;
  std::unordered_set<std::u16string> failedPictures;
  uint64_t documentSerial = 0;
  HBITMAP backBuffer = nullptr;
  SIZE backBufferSize = {0, 0};
  bool updatePosted = false;
  bool trackingMouse = false;
  engine::Cursor cursor = engine::Cursor::kDefault;
  HWND tooltip = nullptr;
  std::u16string tooltipText;
  UINT pendingLoads = 0;
};

std::unordered_map<HWND, std::unique_ptr<EngineWindow>> gWindows;

EngineWindow* Find(HWND window) {
  auto found = gWindows.find(window);
  return found != gWindows.end() ? found->second.get() : nullptr;
}

EngineWindow* Attach(HWND window) {
  if (window == nullptr || !IsWindow(window)) return nullptr;
  EngineWindow* engineWindow = Find(window);
  if (engineWindow == nullptr) {
    auto created = std::make_unique<EngineWindow>(window);
    RECT client = {};
    GetClientRect(window, &client);
    created->view.SetViewportSize(client.right, client.bottom);
    engineWindow = created.get();
    gWindows[window] = std::move(created);
  }
  return engineWindow;
}

EngineWindow* WindowOfView(const engine::View* view) {
  for (auto& entry : gWindows) {
    if (&entry.second->view == view) return entry.second.get();
  }
  return nullptr;
}

RECT ToRect(const engine::Rect& r) { return RECT{r.x, r.y, r.x + r.width, r.y + r.height}; }

void Invalidate(EngineWindow& w, const engine::Rect& damage) {
  if (damage.IsEmpty()) return;
  RECT rect = ToRect(damage);
  InvalidateRect(w.window, &rect, FALSE);
}

void ReleaseWhileHidden(EngineWindow& w);

// Brings the view up to date (answers given during the update may ask for
// another) and invalidates what changed. A hidden window keeps no pictures.
void UpdateView(EngineWindow& w) {
  // The view follows the client area: a window that is never shown gets no
  // WM_SIZE, and during WM_CREATE its client area may still be empty.
  RECT client = {};
  GetClientRect(w.window, &client);
  w.view.SetViewportSize(client.right, client.bottom);
  for (int round = 0; round < 4; ++round) {
    Invalidate(w, w.view.Update().damage);
    if (!w.view.NeedsUpdate()) break;
  }
  if (!IsWindowVisible(w.window)) ReleaseWhileHidden(w);
}

// Changes made through the API are drawn once, after the current message.
void ScheduleUpdate(engine::View* view) {
  EngineWindow* w = view != nullptr ? WindowOfView(view) : nullptr;
  if (w == nullptr || w->updatePosted) return;
  w->updatePosted = true;
  PostMessageW(w->window, UpdateMessage(), 0, 0);
}

void ScheduleUpdateOf(ElementHandle element) { ScheduleUpdate(engine::ViewOf(element)); }

bool WindowHost::GetImageSize(const std::u16string& url, engine::Size* size) {
  auto found = owner_->pictures.find(url);
  if (found != owner_->pictures.end()) {
    *size = engine::Size{found->second.width, found->second.height};
    return true;
  }
  auto undecoded = owner_->undecoded.find(url);
  if (undecoded == owner_->undecoded.end()) return false;
  *size = undecoded->second.size;
  return true;
}

void WindowHost::RequestResource(const std::u16string& url, engine::ResourceKind kind) {
  EngineWindow& w = *owner_;
  if (IsRemoteAddress(url)) {
    ++w.pendingLoads;
    win32host::StartRemoteLoad(w.window, ResourceMessage(), url,
                               (w.documentSerial << 1) | (kind == engine::ResourceKind::kStyleSheet ? 1 : 0));
    return;
  }
  // Local files are answered at once.
  std::wstring path = FilePath(url);
  if (kind == engine::ResourceKind::kStyleSheet) {
    std::vector<uint8_t> bytes;
    bool ok = win32host::ReadFileBytes(path, &bytes);
    w.view.DeliverStyleSheet(url, bytes.data(), bytes.size(), ok);
    return;
  }
  // Layout needs only the size, which the header gives: the pixels are
  // decoded when the picture is first drawn, so a screen loaded into a hidden
  // window decodes nothing. A format whose header is not read here is decoded
  // at once.
  bool known = w.pictures.count(url) != 0 || w.undecoded.count(url) != 0;
  if (!known && w.failedPictures.count(url) == 0) {
    // Headers lie at the start; only a JPEG with long metadata before its
    // frame needs more.
    std::vector<uint8_t> bytes;
    bool whole = false;
    engine::Size size;
    win32host::Picture picture;
    bool read = win32host::ReadFileBytes(path, &bytes, 16 * 1024, &whole);
    bool sized = read && engine::ReadPictureSize(bytes.data(), bytes.size(), &size.width, &size.height);
    if (read && !sized && !whole) {
      read = win32host::ReadFileBytes(path, &bytes);
      sized = read && engine::ReadPictureSize(bytes.data(), bytes.size(), &size.width, &size.height);
    }
    if (!read) {
      w.failedPictures.insert(url);
    } else if (sized) {
      w.undecoded[url] = EngineWindow::Undecoded{size, whole ? std::move(bytes) : std::vector<uint8_t>()};
      known = true;
    } else if (win32host::DecodePicture(bytes.data(), bytes.size(), &picture)) {
      w.pictures[url] = picture;
      known = true;
    } else {
      w.failedPictures.insert(url);
    }
  }
  w.view.DeliverImage(url, known);
}

// --- messages

void Notify(EngineWindow& w, const win32host::RemoteResult& result, bool styleSheet) {
  if (w.notify == nullptr) return;
  std::wstring uri(result.url.begin(), result.url.end());
  NMHL_DATA_LOADED record = {};
  record.hdr.hwndFrom = w.window;
  record.hdr.idFrom = 0;
  record.hdr.code = HLN_DATA_LOADED;
  record.uri = uri.c_str();
  record.data = result.data.empty() ? nullptr : const_cast<uint8_t*>(result.data.data());
  record.dataSize = static_cast<DWORD>(result.data.size());
  record.dataType = styleSheet ? HLRT_DATA_STYLE : HLRT_DATA_IMAGE;
  record.status = result.status;
  w.notify(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&record), w.notifyParam);
}

void OnResourceLoaded(HWND window, LPARAM lParam) {
  std::unique_ptr<win32host::RemoteResult> result(win32host::TakeRemoteResult(lParam));
  EngineWindow* w = Find(window);
  if (w == nullptr || result == nullptr) return;
  if (w->pendingLoads > 0) --w->pendingLoads;
  bool styleSheet = (result->tag & 1) != 0;
  bool current = (result->tag >> 1) == w->documentSerial;
  bool ok = result->status == 200;
  if (current) {
    if (styleSheet) {
      w->view.DeliverStyleSheet(result->url, result->data.data(), result->data.size(), ok);
    } else {
      win32host::Picture picture;
      if (ok && win32host::DecodePicture(result->data.data(), result->data.size(), &picture)) {
        auto old = w->pictures.find(result->url);
        if (old != w->pictures.end()) win32host::FreePicture(&old->second);
        w->pictures[result->url] = picture;
      } else {
        w->failedPictures.insert(result->url);
      }
      w->view.DeliverImage(result->url, w->pictures.count(result->url) != 0);
    }
    UpdateView(*w);
  }
  // Every finished load is reported, also one of a document already replaced.
  Notify(*w, *result, styleSheet);
}

void EnsureBackBuffer(EngineWindow& w, HDC reference, int width, int height) {
  if (w.backBuffer != nullptr && w.backBufferSize.cx >= width && w.backBufferSize.cy >= height) return;
  if (w.backBuffer != nullptr) DeleteObject(w.backBuffer);
  w.backBuffer = CreateCompatibleBitmap(reference, width, height);
  w.backBufferSize = SIZE{width, height};
}

const win32host::Picture* LookupPicture(EngineWindow& w, const std::u16string& url) {
  auto found = w.pictures.find(url);
  if (found != w.pictures.end()) return &found->second;
  auto undecoded = w.undecoded.find(url);
  if (undecoded == w.undecoded.end() || w.failedPictures.count(url) != 0) return nullptr;
  win32host::Picture picture;
  const std::vector<uint8_t>& bytes = undecoded->second.bytes;
  bool decoded = bytes.empty() ? win32host::DecodePictureFile(FilePath(url), &picture)
                               : win32host::DecodePicture(bytes.data(), bytes.size(), &picture);
  if (!decoded) {
    // Its box keeps the size the header gave; it stays empty.
    w.failedPictures.insert(url);
    return nullptr;
  }
  w.undecoded.erase(url);
  return &(w.pictures[url] = picture);
}

// While the window is hidden it draws nothing: the back buffer and the
// decoded local pictures are let go, which keeps a manager that waits in the
// notification area small. Remote pictures are kept (they cannot be had again
// without the network).
void ReleaseWhileHidden(EngineWindow& w) {
  if (w.backBuffer != nullptr) DeleteObject(w.backBuffer);
  w.backBuffer = nullptr;
  w.backBufferSize = SIZE{0, 0};
  for (auto it = w.pictures.begin(); it != w.pictures.end();) {
    if (IsRemoteAddress(it->first)) {
      ++it;
      continue;
    }
    w.undecoded[it->first] = EngineWindow::Undecoded{engine::Size{it->second.width, it->second.height}, {}};
    win32host::FreePicture(&it->second);
    it = w.pictures.erase(it);
  }
}

void Render(EngineWindow& w, HDC dc, const RECT& area) {
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  win32host::PaintDisplayList(dc, w.view.displayList(), area,
                              [&w](const std::u16string& url) { return LookupPicture(w, url); });
}

// Double-buffered in bands: the area is drawn band by band into a back buffer
// one band high, white first, and each band is copied to the window in one
// step. Every band appears whole, and the buffer stays small (a buffer of the
// whole window would cost its first paint a megabyte and a half of fresh
// memory).
constexpr int kBandHeight = 64;

void DrawInBands(EngineWindow& w, HDC target, const RECT& area) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  RECT client = {};
  GetClientRect(w.window, &client);
  EnsureBackBuffer(w, target, std::max<LONG>(client.right, area.right - area.left), kBandHeight);
  HDC memory = CreateCompatibleDC(target);
  HGDIOBJ old = SelectObject(memory, w.backBuffer);
  for (LONG top = area.top; top < area.bottom; top += kBandHeight) {
    RECT band = {area.left, top, area.right, std::min<LONG>(area.bottom, top + kBandHeight)};
    SetViewportOrgEx(memory, -band.left, -band.top, nullptr);  // the band's corner at the buffer's
    Render(w, memory, band);
    BitBlt(target, band.left, band.top, band.right - band.left, band.bottom - band.top, memory, band.left, band.top,
           SRCCOPY);
  }
  SetViewportOrgEx(memory, 0, 0, nullptr);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// Draws the invalid area now, without a paint message: the window's own
// procedure may not pass WM_PAINT to the engine at this moment (while the
// manager fills a freshly loaded screen), and the default handling would
// validate the area without drawing it.
void PaintNow(EngineWindow& w) {
  RECT area = {};
  if (!GetUpdateRect(w.window, &area, FALSE) || !IsWindowVisible(w.window)) return;
  HDC dc = GetDC(w.window);
  DrawInBands(w, dc, area);
  ReleaseDC(w.window, dc);
  ValidateRect(w.window, &area);
}

void OnPaint(EngineWindow& w) {
  UpdateView(w);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(w.window, &paint);
  DrawInBands(w, dc, paint.rcPaint);
  EndPaint(w.window, &paint);
}

// The system cursors by resource number (the IDC_ names are 8-bit here).
LPCWSTR CursorResource(engine::Cursor cursor) {
  switch (cursor) {
    case engine::Cursor::kPointer: return MAKEINTRESOURCEW(32649);     // hand
    case engine::Cursor::kText: return MAKEINTRESOURCEW(32513);        // I-beam
    case engine::Cursor::kMove: return MAKEINTRESOURCEW(32646);        // size all
    case engine::Cursor::kWait: return MAKEINTRESOURCEW(32514);
    case engine::Cursor::kHelp: return MAKEINTRESOURCEW(32651);
    case engine::Cursor::kCrosshair: return MAKEINTRESOURCEW(32515);
    case engine::Cursor::kProgress: return MAKEINTRESOURCEW(32650);    // app starting
    case engine::Cursor::kNotAllowed: return MAKEINTRESOURCEW(32648);  // no
    default: return MAKEINTRESOURCEW(32512);                           // arrow
  }
}

// The "title" of the element under the mouse or of its nearest ancestor
// that has one.
std::u16string TitleAt(EngineWindow& w, engine::Point point) {
  for (ElementHandle element = w.view.ElementAt(point); element != 0; element = engine::GetParent(element)) {
    if (const char16_t* title = engine::GetAttribute(element, "title")) return title;
  }
  return std::u16string();
}

// The tooltip's text; an empty text hides it and keeps it from showing.
void SetTooltipText(EngineWindow& w, const std::u16string& title) {
  w.tooltipText = title;
  if (w.tooltip == nullptr) return;
  std::wstring text(title.begin(), title.end());
  TOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = w.window;
  tool.uId = reinterpret_cast<UINT_PTR>(w.window);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(w.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(w.tooltip, TTM_ACTIVATE, !text.empty(), 0);
  if (text.empty()) SendMessageW(w.tooltip, TTM_POP, 0, 0);
}

void UpdateTooltip(EngineWindow& w, engine::Point point, const MSG* relay) {
  std::u16string title = TitleAt(w, point);
  if (w.tooltip == nullptr) {
    if (title.empty()) return;
    w.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w.window, nullptr,
                                nullptr, nullptr);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = w.window;
    tool.uId = reinterpret_cast<UINT_PTR>(w.window);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(w.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  if (title != w.tooltipText) SetTooltipText(w, title);
  if (relay != nullptr) SendMessageW(w.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(relay));
}

uint32_t Modifiers(WPARAM wParam) { return static_cast<uint32_t>(wParam & (MK_CONTROL | MK_SHIFT)); }

LRESULT OnMouse(EngineWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
  engine::MouseEvent event;
  event.point = engine::Point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  event.modifiers = Modifiers(wParam);
  switch (message) {
    case WM_MOUSEMOVE:
      event.type = engine::MouseEventType::kMove;
      event.buttons = ((wParam & MK_LBUTTON) ? engine::kMainButton : 0) |
                      ((wParam & MK_RBUTTON) ? engine::kPropButton : 0) |
                      ((wParam & MK_MBUTTON) ? engine::kMiddleButton : 0);
      if (!w.trackingMouse) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, w.window, 0};
        w.trackingMouse = TrackMouseEvent(&track) != FALSE;
      }
      break;
    case WM_LBUTTONDOWN:
      event.type = engine::MouseEventType::kDown;
      event.buttons = engine::kMainButton;
      SetCapture(w.window);
      break;
    case WM_LBUTTONUP:
      event.type = engine::MouseEventType::kUp;
      event.buttons = engine::kMainButton;
      if (GetCapture() == w.window) ReleaseCapture();
      break;
    case WM_LBUTTONDBLCLK:
      event.type = engine::MouseEventType::kDoubleClick;
      event.buttons = engine::kMainButton;
      break;
    case WM_RBUTTONDOWN: event.type = engine::MouseEventType::kDown; event.buttons = engine::kPropButton; break;
    case WM_RBUTTONUP: event.type = engine::MouseEventType::kUp; event.buttons = engine::kPropButton; break;
    case WM_MBUTTONDOWN: event.type = engine::MouseEventType::kDown; event.buttons = engine::kMiddleButton; break;
    case WM_MBUTTONUP: event.type = engine::MouseEventType::kUp; event.buttons = engine::kMiddleButton; break;
    case WM_MOUSEWHEEL: {
      POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(w.window, &screen);
      event.type = engine::MouseEventType::kWheel;
      event.point = engine::Point{screen.x, screen.y};
      event.wheelDelta = GET_WHEEL_DELTA_WPARAM(wParam);
      event.modifiers = Modifiers(GET_KEYSTATE_WPARAM(wParam));
      break;
    }
    case WM_MOUSELEAVE:
      event.type = engine::MouseEventType::kLeave;
      w.trackingMouse = false;
      break;
    default: return 0;
  }
  UpdateView(w);
  engine::MouseResult result = w.view.HandleMouse(event);
  Invalidate(w, result.damage);
  UpdateView(w);
  if (result.cursor != w.cursor) {
    w.cursor = result.cursor;
    SetCursor(LoadCursorW(nullptr, CursorResource(w.cursor)));
  }
  if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
    MSG relay = {w.window, message, wParam, lParam, 0, {}};
    UpdateTooltip(w, event.point, &relay);
  }
  return 0;
}

bool LoadDocument(HWND window, const uint8_t* bytes, size_t size, const std::u16string& address) {
  EngineWindow* w = Attach(window);
  if (w == nullptr) return false;
  ++w->documentSerial;
  w->failedPictures.clear();  // a new document may find a picture that failed before
  w->undecoded.clear();  // a new document asks for its pictures again
  w->view.LoadHtml(bytes, size, address);
  SetTooltipText(*w, std::u16string());  // the old document's tooltip goes with it
  UpdateView(*w);
  InvalidateRect(window, nullptr, FALSE);
  return true;
}

}  // namespace

// --- window

LRESULT HTMLayoutProcND(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) {
  *handled = FALSE;
  if (msg == WM_NCDESTROY) {
    gWindows.erase(hwnd);
    return 0;
  }
  if (msg == WM_CREATE || msg == WM_NCCREATE || msg == WM_TIMER) return 0;
  EngineWindow* w = Attach(hwnd);
  if (w == nullptr) return 0;
  if (msg == ResourceMessage()) {
    *handled = TRUE;
    OnResourceLoaded(hwnd, lParam);
    return 0;
  }
  if (msg == UpdateMessage()) {
    *handled = TRUE;
    w->updatePosted = false;
    UpdateView(*w);
    return 0;
  }
  switch (msg) {
    case WM_PAINT:
      *handled = TRUE;
      OnPaint(*w);
      return 0;
    case WM_ERASEBKGND:
      *handled = TRUE;  // the paint covers every pixel: no flicker
      return 1;
    case WM_SHOWWINDOW:
      if (!wParam) ReleaseWhileHidden(*w);
      return 0;  // the window may want it too
    case WM_SIZE:
      w->view.SetViewportSize(LOWORD(lParam), HIWORD(lParam));
      UpdateView(*w);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;  // the window may want WM_SIZE too
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) return 0;
      *handled = TRUE;
      SetCursor(LoadCursorW(nullptr, CursorResource(w->cursor)));
      return TRUE;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSELEAVE:
      *handled = TRUE;
      return OnMouse(*w, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
      return 0;
    default:
      return 0;
  }
}

VOID HTMLayoutSetCallback(HWND hwnd, LPHTMLAYOUT_NOTIFY callback, LPVOID callbackParam) {
  EngineWindow* w = Attach(hwnd);
  if (w == nullptr) return;
  w->notify = callback;
  w->notifyParam = callbackParam;
}

BOOL HTMLayoutWindowAttachEventHandler(HWND hwnd, LPELEMENT_EVENT_PROC handler, LPVOID tag, UINT subscription) {
  EngineWindow* w = Attach(hwnd);
  if (w == nullptr || handler == nullptr) return FALSE;
  if ((subscription & HANDLE_MOUSE) == 0) return TRUE;
  w->view.AttachHandler(0, [handler, tag](const engine::MouseParams& p) {
    MOUSE_PARAMS params = {};
    params.cmd = p.cmd;
    params.target = ToHandle(p.target);
    params.pos = POINT{p.pointInElement.x, p.pointInElement.y};
    params.pos_document = POINT{p.point.x, p.point.y};
    params.button_state = p.buttons;
    params.alt_state = p.modifiers;
    return handler(tag, ToHandle(p.current), HANDLE_MOUSE, &params) != FALSE;
  });
  return TRUE;
}

BOOL HTMLayoutLoadFile(HWND hwnd, LPCWSTR path) {
  if (path == nullptr) return FALSE;
  std::vector<uint8_t> bytes;
  if (!win32host::ReadFileBytes(path, &bytes)) {
    // A file that cannot be had leaves the window empty.
    static const uint8_t kEmpty[] = "<html></html>";
    LoadDocument(hwnd, kEmpty, sizeof kEmpty - 1, ToU16(path));
    return FALSE;
  }
  return LoadDocument(hwnd, bytes.data(), bytes.size(), ToU16(path)) ? TRUE : FALSE;
}

BOOL HTMLayoutLoadHtmlEx(HWND hwnd, const BYTE* html, UINT size, LPCWSTR baseAddress) {
  return LoadDocument(hwnd, html, size, ToU16(baseAddress)) ? TRUE : FALSE;
}

BOOL HTMLayoutRenderToDC(HWND hwnd, HDC dc, const RECT* area) {
  EngineWindow* w = Find(hwnd);
  if (w == nullptr || dc == nullptr) return FALSE;
  UpdateView(*w);
  RECT all = {0, 0, w->view.viewportSize().width, w->view.viewportSize().height};
  Render(*w, dc, area != nullptr ? *area : all);
  return TRUE;
}

UINT HTMLayoutPendingLoads(HWND hwnd) {
  EngineWindow* w = Find(hwnd);
  return w != nullptr ? w->pendingLoads : 0;
}

// --- elements

HLDOM_RESULT HTMLayoutGetRootElement(HWND hwnd, HELEMENT* root) {
  if (root == nullptr) return HLDOM_INVALID_PARAMETER;
  *root = nullptr;
  EngineWindow* w = Find(hwnd);
  if (w == nullptr) return IsWindow(hwnd) ? HLDOM_OK : HLDOM_INVALID_HWND;
  *root = ToHandle(w->view.RootElement());
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetChildrenCount(HELEMENT he, UINT* count) {
  if (count == nullptr) return HLDOM_INVALID_PARAMETER;
  *count = 0;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  *count = static_cast<UINT>(engine::CountChildren(element));
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetNthChild(HELEMENT he, UINT n, HELEMENT* child) {
  if (child == nullptr) return HLDOM_INVALID_PARAMETER;
  *child = nullptr;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  if (n > 0x7FFFFFFFu) return HLDOM_OK;
  *child = ToHandle(engine::GetChild(element, static_cast<int>(n)));
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent) {
  if (parent == nullptr) return HLDOM_INVALID_PARAMETER;
  *parent = nullptr;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  *parent = ToHandle(engine::GetParent(element));
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementType(HELEMENT he, LPCSTR* type) {
  if (type == nullptr) return HLDOM_INVALID_PARAMETER;
  *type = engine::GetElementType(FromHandle(he));
  return *type != nullptr ? HLDOM_OK : HLDOM_INVALID_HANDLE;
}

HLDOM_RESULT HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value) {
  if (value == nullptr || name == nullptr) return HLDOM_INVALID_PARAMETER;
  *value = nullptr;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  *value = reinterpret_cast<LPCWSTR>(engine::GetAttribute(element, name));
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value) {
  if (name == nullptr) return HLDOM_INVALID_PARAMETER;
  ElementHandle element = FromHandle(he);
  if (!engine::SetAttribute(element, name, reinterpret_cast<const char16_t*>(value))) {
    return engine::GetElementType(element) == nullptr ? HLDOM_INVALID_HANDLE : HLDOM_OPERATION_FAILED;
  }
  ScheduleUpdateOf(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value) {
  if (name == nullptr) return HLDOM_INVALID_PARAMETER;
  ElementHandle element = FromHandle(he);
  if (!engine::SetStyleProperty(element, name, reinterpret_cast<const char16_t*>(value))) {
    return engine::GetElementType(element) == nullptr ? HLDOM_INVALID_HANDLE : HLDOM_OPERATION_FAILED;
  }
  ScheduleUpdateOf(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetElementInnerText16(HELEMENT he, LPCWSTR text, UINT length) {
  ElementHandle element = FromHandle(he);
  if (!engine::SetInnerText(element, reinterpret_cast<const char16_t*>(text), text != nullptr ? length : 0)) {
    return engine::GetElementType(element) == nullptr ? HLDOM_INVALID_HANDLE : HLDOM_OPERATION_FAILED;
  }
  ScheduleUpdateOf(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutCreateElement(LPCSTR tag, LPCWSTR text, HELEMENT* created) {
  if (created == nullptr || tag == nullptr || tag[0] == '\0') return HLDOM_INVALID_PARAMETER;
  *created = ToHandle(engine::CreateElement(tag, reinterpret_cast<const char16_t*>(text)));
  return *created != nullptr ? HLDOM_OK : HLDOM_OPERATION_FAILED;
}

HLDOM_RESULT HTMLayoutInsertElement(HELEMENT he, HELEMENT parent, UINT index) {
  ElementHandle element = FromHandle(he);
  ElementHandle container = FromHandle(parent);
  if (engine::GetElementType(element) == nullptr || engine::GetElementType(container) == nullptr) {
    return HLDOM_INVALID_HANDLE;
  }
  int at = index > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(index);
  if (!engine::InsertElement(element, container, at)) return HLDOM_OPERATION_FAILED;
  ScheduleUpdateOf(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutDeleteElement(HELEMENT he) {
  ElementHandle element = FromHandle(he);
  engine::View* view = engine::ViewOf(element);
  if (!engine::DeleteElement(element)) return HLDOM_INVALID_HANDLE;
  ScheduleUpdate(view);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutUpdateElement(HELEMENT he, BOOL remeasure) {
  (void)remeasure;  // every update re-measures what changed
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  EngineWindow* w = WindowOfView(engine::ViewOf(element));
  if (w == nullptr) return HLDOM_OK;  // detached: nothing to show yet
  UpdateView(*w);
  PaintNow(*w);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetElementState(HELEMENT he, UINT set, UINT clear, BOOL update) {
  ElementHandle element = FromHandle(he);
  if (!engine::SetElementState(element, set, clear)) return HLDOM_INVALID_HANDLE;
  if (update) return HTMLayoutUpdateElement(he, TRUE);
  ScheduleUpdateOf(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementState(HELEMENT he, UINT* state) {
  if (state == nullptr) return HLDOM_INVALID_PARAMETER;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  *state = engine::GetElementState(element);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetScrollInfo(HELEMENT he, LPPOINT position, LPRECT view, LPSIZE content) {
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  engine::ScrollInfo info;
  if (!engine::GetScrollInfo(element, &info)) info = engine::ScrollInfo{};
  engine::Rect box;
  engine::GetElementRect(element, &box);
  if (position != nullptr) *position = POINT{0, info.position};
  if (view != nullptr) *view = RECT{box.x, box.y, box.x + box.width, box.y + info.page};
  if (content != nullptr) *content = SIZE{box.width, info.contentHeight};
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutSetScrollPos(HELEMENT he, POINT position, BOOL smooth) {
  (void)smooth;  // always at once
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  engine::View* view = engine::ViewOf(element);
  if (EngineWindow* w = WindowOfView(view)) UpdateView(*w);  // the range needs a current layout
  if (!engine::SetScrollPosition(element, position.y)) return HLDOM_OPERATION_FAILED;
  ScheduleUpdate(view);
  return HLDOM_OK;
}

HLDOM_RESULT HTMLayoutGetElementLocation(HELEMENT he, LPRECT rect) {
  if (rect == nullptr) return HLDOM_INVALID_PARAMETER;
  ElementHandle element = FromHandle(he);
  if (engine::GetElementType(element) == nullptr) return HLDOM_INVALID_HANDLE;
  if (EngineWindow* w = WindowOfView(engine::ViewOf(element))) UpdateView(*w);
  engine::Rect box;
  if (!engine::GetElementRect(element, &box)) return HLDOM_OPERATION_FAILED;
  *rect = ToRect(box);
  return HLDOM_OK;
}
