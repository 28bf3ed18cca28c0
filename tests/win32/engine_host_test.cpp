// The engine in a real window: the operations' contract, rendering checked by
// pixels, mouse events reaching the attached handler, hover looks, and remote
// pictures from the local test HTTP server.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "ui/engine/picture_size.h"
#include "ui/engine/win32/font_cache.h"
#include "ui/engine/win32/htmlayout.h"
#include "ui/engine/win32/pictures.h"

namespace {

using harness::Join;

const std::wstring kFolder = L"C:\\zarn-tests\\engine";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BOOL handled = FALSE;
  LRESULT result = HTMLayoutProcND(window, message, wParam, lParam, &handled);
  if (handled) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// A rendered picture of the window's document.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
  int CountIn(RECT r, bool (*match)(uint32_t)) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += match(At(x, y)) ? 1 : 0;
    return n;
  }
};

class EngineWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    static ATOM registered = [] {
      WNDCLASSW windowClass = {};
      windowClass.lpfnWndProc = TestWindowProc;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"ZarnEngineTest";
      return RegisterClassW(&windowClass);
    }();
    ASSERT_NE(registered, 0);
    harness::RemoveTree(kFolder);
    harness::MakeDirs(kFolder);
    RECT frame = {0, 0, 300, 200};
    AdjustWindowRect(&frame, WS_POPUP, FALSE);
    window_ = CreateWindowExW(0, L"ZarnEngineTest", L"engine", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    harness::RemoveTree(kFolder);
  }

  void Load(const std::string& html) {
    std::wstring base = Join(kFolder, L"page.htm");
    ASSERT_TRUE(HTMLayoutLoadHtmlEx(window_, reinterpret_cast<const BYTE*>(html.data()),
                                    static_cast<UINT>(html.size()), base.c_str()));
    Pump();
  }
  void Pump(DWORD ms = 0) {
    DWORD start = GetTickCount();
    do {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      if (ms > 0) Sleep(10);
    } while (GetTickCount() - start < ms);
  }
  Pixels Render() {
    Pixels pixels;
    pixels.width = 300;
    pixels.height = 200;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_TRUE(HTMLayoutRenderToDC(window_, dc, nullptr));
    GdiFlush();
    pixels.data.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 300 * 200);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
  }
  HELEMENT Root() {
    HELEMENT root = nullptr;
    EXPECT_EQ(HTMLayoutGetRootElement(window_, &root), HLDOM_OK);
    return root;
  }
  // Depth-first search by id, as the manager does it.
  HELEMENT ById(HELEMENT element, const wchar_t* id) {
    LPCWSTR value = nullptr;
    HTMLayoutGetAttributeByName(element, "id", &value);
    if (value != nullptr && std::wstring(value) == id) return element;
    UINT count = 0;
    HTMLayoutGetChildrenCount(element, &count);
    for (UINT i = 0; i < count; ++i) {
      HELEMENT child = nullptr;
      HTMLayoutGetNthChild(element, i, &child);
      if (HELEMENT found = ById(child, id)) return found;
    }
    return nullptr;
  }
  HELEMENT ById(const wchar_t* id) { return ById(Root(), id); }
  RECT Location(HELEMENT element) {
    RECT rect = {};
    EXPECT_EQ(HTMLayoutGetElementLocation(element, &rect), HLDOM_OK);
    return rect;
  }

  HWND window_ = nullptr;
};

bool IsRed(uint32_t c) { return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) < 60; }
bool IsBlue(uint32_t c) { return ((c >> 16) & 0xFF) < 60 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) > 200; }
bool IsDark(uint32_t c) { return ((c >> 16) & 0xFF) < 100 && ((c >> 8) & 0xFF) < 100 && (c & 0xFF) < 100; }

// --- the operations' contract

TEST_F(EngineWindowTest, TreeOperationsFollowTheDocument) {
  Load("<html><body><div id=a class=x>one<b>two</b></div><p id=b></p></body></html>");
  HELEMENT root = Root();
  ASSERT_NE(root, nullptr);
  LPCSTR type = nullptr;
  ASSERT_EQ(HTMLayoutGetElementType(root, &type), HLDOM_OK);
  EXPECT_STREQ(type, "html");

  HELEMENT a = ById(L"a");
  ASSERT_NE(a, nullptr);
  UINT count = 0;
  EXPECT_EQ(HTMLayoutGetChildrenCount(a, &count), HLDOM_OK);
  EXPECT_EQ(count, 2u);
  HELEMENT text = nullptr;
  HTMLayoutGetNthChild(a, 0, &text);
  HTMLayoutGetElementType(text, &type);
  EXPECT_STREQ(type, "text");
  HELEMENT parent = nullptr;
  EXPECT_EQ(HTMLayoutGetParentElement(text, &parent), HLDOM_OK);
  EXPECT_EQ(parent, a);

  HELEMENT past = reinterpret_cast<HELEMENT>(1);
  EXPECT_EQ(HTMLayoutGetNthChild(a, 2, &past), HLDOM_OK);
  EXPECT_EQ(past, nullptr) << "an index past the end gives no element";
  LPCWSTR value = reinterpret_cast<LPCWSTR>(1);
  EXPECT_EQ(HTMLayoutGetAttributeByName(a, "href", &value), HLDOM_OK);
  EXPECT_EQ(value, nullptr) << "an absent attribute gives null";
  EXPECT_EQ(HTMLayoutGetAttributeByName(a, "class", &value), HLDOM_OK);
  EXPECT_STREQ(value, L"x");
}

TEST_F(EngineWindowTest, CreatedElementsInsertAtAnIndexAndPastTheEndAppend) {
  Load("<html><body><ul id=list><li id=first>1</li></ul></body></html>");
  HELEMENT list = ById(L"list");
  struct {
    const char* tag;
    UINT index;
    const wchar_t* id;
  } inserts[] = {{"li", 0, L"zero"}, {"li", 99, L"last"}, {"li", 1, L"middle"}};
  for (const auto& c : inserts) {
    HELEMENT created = nullptr;
    ASSERT_EQ(HTMLayoutCreateElement(c.tag, L"", &created), HLDOM_OK);
    HELEMENT parentBefore = reinterpret_cast<HELEMENT>(1);
    HTMLayoutGetParentElement(created, &parentBefore);
    EXPECT_EQ(parentBefore, nullptr) << "detached";
    HTMLayoutSetAttributeByName(created, "id", c.id);
    ASSERT_EQ(HTMLayoutInsertElement(created, list, c.index), HLDOM_OK);
  }
  std::vector<std::wstring> ids;
  UINT count = 0;
  HTMLayoutGetChildrenCount(list, &count);
  for (UINT i = 0; i < count; ++i) {
    HELEMENT child = nullptr;
    HTMLayoutGetNthChild(list, i, &child);
    LPCWSTR id = nullptr;
    HTMLayoutGetAttributeByName(child, "id", &id);
    ids.push_back(id != nullptr ? id : L"");
  }
  EXPECT_EQ(ids, (std::vector<std::wstring>{L"zero", L"middle", L"first", L"last"}));
}

TEST_F(EngineWindowTest, StaleHandlesAreRefused) {
  Load("<html><body><div id=gone><i id=inner>x</i></div><div id=kept></div></body></html>");
  HELEMENT gone = ById(L"gone");
  HELEMENT inner = ById(L"inner");
  HELEMENT kept = ById(L"kept");
  ASSERT_EQ(HTMLayoutDeleteElement(gone), HLDOM_OK);
  LPCSTR type = nullptr;
  LPCWSTR value = nullptr;
  UINT count = 0;
  HELEMENT child = nullptr;
  for (HELEMENT stale : {gone, inner}) {
    EXPECT_EQ(HTMLayoutGetElementType(stale, &type), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutGetAttributeByName(stale, "id", &value), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutSetAttributeByName(stale, "id", L"x"), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutSetStyleAttribute(stale, "visibility", L"hidden"), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutGetChildrenCount(stale, &count), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutGetNthChild(stale, 0, &child), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutSetElementInnerText16(stale, L"x", 1), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutUpdateElement(stale, TRUE), HLDOM_INVALID_HANDLE);
    EXPECT_EQ(HTMLayoutDeleteElement(stale), HLDOM_INVALID_HANDLE);
  }
  EXPECT_EQ(HTMLayoutGetElementType(kept, &type), HLDOM_OK);

  // A new document makes every handle of the old one stale.
  Load("<html><body><div id=kept></div></body></html>");
  EXPECT_EQ(HTMLayoutGetElementType(kept, &type), HLDOM_INVALID_HANDLE);
  EXPECT_EQ(HTMLayoutInsertElement(kept, Root(), 0), HLDOM_INVALID_HANDLE);
  EXPECT_EQ(HTMLayoutGetElementType(reinterpret_cast<HELEMENT>(0x7FFFFFF0), &type), HLDOM_INVALID_HANDLE);
  EXPECT_EQ(HTMLayoutGetElementType(nullptr, &type), HLDOM_INVALID_HANDLE);
}

TEST_F(EngineWindowTest, AttributeTextsAreTheEnginesAndFollowChanges) {
  Load("<html><body><a id=link href=\"http://x/\">go</a></body></html>");
  HELEMENT link = ById(L"link");
  LPCWSTR first = nullptr;
  HTMLayoutGetAttributeByName(link, "href", &first);
  EXPECT_STREQ(first, L"http://x/");
  EXPECT_EQ(HTMLayoutSetAttributeByName(link, "href", L"http://y/\x0418"), HLDOM_OK);
  LPCWSTR second = nullptr;
  HTMLayoutGetAttributeByName(link, "HREF", &second);
  EXPECT_STREQ(second, L"http://y/\x0418") << "names in any letter case";
  EXPECT_EQ(HTMLayoutSetElementInnerText16(link, L"abcdef", 3), HLDOM_OK);
  UINT count = 0;
  HTMLayoutGetChildrenCount(link, &count);
  ASSERT_EQ(count, 1u);
}

// --- rendering

TEST_F(EngineWindowTest, DrawsBackgroundsBordersTextAndHidesHiddenElements) {
  Load("<html><body style='margin:0; background:#ffffff'>"
       "<div id=box style='position:absolute; left:10px; top:10px; width:100px; height:50px;"
       " background:#ff0000; border:4px solid #0000ff'></div>"
       "<div id=words style='position:absolute; left:150px; top:10px; width:140px; font:20px Arial;"
       " color:#000000'>Words here</div>"
       "<div id=hide style='position:absolute; left:10px; top:120px; width:60px; height:40px;"
       " background:#ff0000'></div></body></html>");
  Pixels pixels = Render();
  EXPECT_TRUE(IsRed(pixels.At(60, 35))) << std::hex << pixels.At(60, 35);
  EXPECT_TRUE(IsBlue(pixels.At(11, 11))) << "border";
  EXPECT_TRUE(IsBlue(pixels.At(60, 66))) << "bottom border: 10 + 50 + 2 * 4 = 68";
  EXPECT_EQ(pixels.At(60, 69), 0xFFFFFFu);
  EXPECT_EQ(pixels.At(5, 5), 0xFFFFFFu) << "outside: the page background";
  EXPECT_GT(pixels.CountIn(RECT{150, 10, 290, 40}, IsDark), 30) << "text is drawn";
  EXPECT_TRUE(IsRed(pixels.At(40, 140)));

  HELEMENT hide = ById(L"hide");
  ASSERT_EQ(HTMLayoutSetStyleAttribute(hide, "visibility", L"hidden"), HLDOM_OK);
  ASSERT_EQ(HTMLayoutUpdateElement(hide, TRUE), HLDOM_OK);
  EXPECT_EQ(Render().At(40, 140), 0xFFFFFFu) << "a hidden element is not drawn";
  HTMLayoutSetStyleAttribute(hide, "visibility", L"visible");
  HTMLayoutUpdateElement(hide, TRUE);
  EXPECT_TRUE(IsRed(Render().At(40, 140)));
}

TEST_F(EngineWindowTest, DrawsPicturesScaledWithTheirTransparencyAndLeavesMissingOnesEmpty) {
  // 2 x 2: the left column opaque red, the right column blue at half alpha.
  uint32_t bgra[4] = {0xFFFF0000, 0x800000FF, 0xFFFF0000, 0x800000FF};
  ASSERT_TRUE(win32host::WritePng(Join(kFolder, L"pic.png"), bgra, 2, 2));
  std::string damaged = harness::ReadBytes(Join(kFolder, L"pic.png"));
  ASSERT_GT(damaged.size(), 60u);
  damaged.resize(damaged.size() - 20);  // into the data; IEND goes with it
  harness::WriteBytes(Join(kFolder, L"broken.png"), damaged);
  Load("<html><body style='margin:0; background:#ffffff'>"
       "<img src='pic.png' style='position:absolute; left:0; top:0; width:40px; height:40px'>"
       "<img id=missing src='nothere.png' width=30 height=20 style='position:absolute; left:100px; top:0;"
       " border:1px solid #00ff00'>"
       "<div style='position:absolute; left:200px; top:0; width:64px; height:20px;"
       " background:url(pic.png) repeat-x'></div>"
       "<img id=broken src='broken.png' style='position:absolute; left:100px; top:100px'></body></html>");
  Pixels pixels = Render();
  // A whole header before damaged data: laid out by the header's size, drawn
  // empty.
  RECT broken = Location(ById(L"broken"));
  EXPECT_EQ(broken.right - broken.left, 2);
  EXPECT_EQ(broken.bottom - broken.top, 2);
  EXPECT_EQ(pixels.At(100, 100), 0xFFFFFFu);
  EXPECT_TRUE(IsRed(pixels.At(5, 20)));
  uint32_t blended = pixels.At(35, 20);  // half blue over white
  EXPECT_NEAR(static_cast<int>(blended & 0xFF), 255, 3);
  EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 127, 12) << std::hex << blended;
  RECT missing = Location(ById(L"missing"));
  EXPECT_EQ(missing.right - missing.left, 32) << "its given size, with the border";
  EXPECT_EQ(missing.bottom - missing.top, 22);
  EXPECT_EQ(pixels.At(115, 10), 0xFFFFFFu) << "empty inside";
  // The 2-pixel background picture repeats across (red at x 200, 202, ...)
  // but not down.
  EXPECT_TRUE(IsRed(pixels.At(200, 1)));
  EXPECT_TRUE(IsRed(pixels.At(202, 1)));
  EXPECT_TRUE(IsRed(pixels.At(262, 1)));
  EXPECT_EQ(pixels.At(200, 5), 0xFFFFFFu);
}

TEST_F(EngineWindowTest, ScrolledListIsDrawnOffset) {
  std::string rows;
  for (int i = 0; i < 20; ++i) {
    rows += std::string("<div style='height:20px; background:") + (i % 2 ? "#0000ff" : "#ff0000") + "'></div>";
  }
  Load("<html><body style='margin:0'><div id=list style='position:absolute; left:0; top:0; width:100px;"
       " height:100px; overflow:auto'>" + rows + "</div></body></html>");
  HELEMENT list = ById(L"list");
  EXPECT_TRUE(IsRed(Render().At(40, 10)));
  POINT position = {};
  RECT view = {};
  SIZE content = {};
  ASSERT_EQ(HTMLayoutGetScrollInfo(list, &position, &view, &content), HLDOM_OK);
  EXPECT_EQ(position.y, 0);
  EXPECT_EQ(content.cy, 400);
  ASSERT_EQ(HTMLayoutSetScrollPos(list, POINT{0, 20}, FALSE), HLDOM_OK);
  HTMLayoutUpdateElement(list, TRUE);
  EXPECT_TRUE(IsBlue(Render().At(40, 10))) << "the second row is at the top now";
  HTMLayoutGetScrollInfo(list, &position, &view, &content);
  EXPECT_EQ(position.y, 20);
  HTMLayoutSetScrollPos(list, POINT{0, 100000}, FALSE);
  HTMLayoutGetScrollInfo(list, &position, &view, &content);
  EXPECT_EQ(position.y, 300) << "kept in its range";
}

TEST_F(EngineWindowTest, AProgressChangeRepaintsOnlyTheBar) {
  Load("<html><body style='margin:0'><div style='height:100px; background:#ff0000'></div>"
       "<progress id=bar value=10 max=100 style='position:absolute; left:20px; top:150px; width:200px;"
       " height:16px'></progress></body></html>");
  ShowWindow(window_, SW_SHOWNA);
  UpdateWindow(window_);
  Pump();
  ValidateRect(window_, nullptr);
  HELEMENT bar = ById(L"bar");
  RECT box = Location(bar);
  ASSERT_EQ(HTMLayoutSetAttributeByName(bar, "value", L"70"), HLDOM_OK);
  // The change is drawn by the engine's posted update: take the update message
  // without letting the paint run.
  MSG message;
  while (PeekMessageW(&message, window_, WM_PAINT + 1, 0xFFFF, PM_REMOVE)) DispatchMessageW(&message);
  RECT dirty = {};
  ASSERT_TRUE(GetUpdateRect(window_, &dirty, FALSE)) << "something to repaint";
  EXPECT_GE(dirty.left, box.left - 2);
  EXPECT_GE(dirty.top, box.top - 2);
  EXPECT_LE(dirty.right, box.right + 2);
  EXPECT_LE(dirty.bottom, box.bottom + 2);
  // Erasing is the engine's: no background flash before the paint.
  BOOL handled = FALSE;
  HDC dc = GetDC(window_);
  EXPECT_EQ(HTMLayoutProcND(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0, &handled), 1);
  EXPECT_TRUE(handled);
  ReleaseDC(window_, dc);
}

// --- events

struct Seen {
  UINT cmd;
  HELEMENT target;
  UINT buttons;
};
std::vector<Seen> gSeen;
BOOL CALLBACK RecordMouse(LPVOID tag, HELEMENT, UINT group, LPVOID params) {
  EXPECT_EQ(tag, reinterpret_cast<LPVOID>(0x5A));
  EXPECT_EQ(group, HANDLE_MOUSE);
  const auto* mouse = static_cast<const MOUSE_PARAMS*>(params);
  UINT command = mouse->cmd & ~(SINKING | HANDLED);
  if (command == MOUSE_DOWN || command == MOUSE_UP) gSeen.push_back({mouse->cmd, mouse->target, mouse->button_state});
  return (mouse->cmd == MOUSE_DOWN || mouse->cmd == MOUSE_UP) ? TRUE : FALSE;
}

TEST_F(EngineWindowTest, MouseMessagesReachTheHandlerSinkingThenBubbling) {
  Load("<html><body style='margin:0'><div id=button style='position:absolute; left:20px; top:20px;"
       " width:80px; height:30px; background:#0000ff'>go</div></body></html>");
  ASSERT_TRUE(HTMLayoutWindowAttachEventHandler(window_, RecordMouse, reinterpret_cast<LPVOID>(0x5A), HANDLE_MOUSE));
  gSeen.clear();
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(90, 45));
  SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(90, 45));
  HELEMENT button = ById(L"button");
  ASSERT_EQ(gSeen.size(), 4u);
  EXPECT_EQ(gSeen[0].cmd, MOUSE_DOWN | SINKING);
  EXPECT_EQ(gSeen[1].cmd, static_cast<UINT>(MOUSE_DOWN)) << "bubbling, not yet handled";
  EXPECT_EQ(gSeen[2].cmd, MOUSE_UP | SINKING);
  EXPECT_EQ(gSeen[3].cmd, static_cast<UINT>(MOUSE_UP));
  for (const Seen& seen : gSeen) {
    EXPECT_EQ(seen.target, button);
    EXPECT_EQ(seen.buttons & MAIN_MOUSE_BUTTON, static_cast<UINT>(MAIN_MOUSE_BUTTON));
  }
  // The handler survives a new document.
  Load("<html><body style='margin:0'><p id=p style='margin:0; height:50px'>x</p></body></html>");
  gSeen.clear();
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_EQ(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[1].target, ById(L"p"));
}

TEST_F(EngineWindowTest, HoverChangesTheLookAndLeavingRestoresIt) {
  Load("<html><head><style>#b { background:#0000ff } #b:hover { background:#ff0000 }</style></head>"
       "<body style='margin:0'><div id=b style='position:absolute; left:0; top:0; width:50px; height:50px'>"
       "</div></body></html>");
  EXPECT_TRUE(IsBlue(Render().At(25, 25)));
  SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(25, 25));
  EXPECT_TRUE(IsRed(Render().At(25, 25)));
  SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
  EXPECT_TRUE(IsBlue(Render().At(25, 25)));
}

TEST_F(EngineWindowTest, DraggingTheThumbAndTheWheelScroll) {
  std::string rows;
  for (int i = 0; i < 20; ++i) rows += "<div style='height:20px'>row</div>";
  Load("<html><body style='margin:0'><div id=list style='position:absolute; left:0; top:0; width:150px;"
       " height:100px; overflow:auto'>" + rows + "</div></body></html>");
  HELEMENT list = ById(L"list");
  POINT position = {};
  // The bar is at the right edge of the list (16 pixels): press on its thumb
  // near the top, drag down, release.
  SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(142, 25));
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(142, 25));
  SendMessageW(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(142, 55));
  SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(142, 55));
  HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
  EXPECT_GT(position.y, 0) << "dragged down";
  int dragged = position.y;
  POINT screen = {50, 50};
  ClientToScreen(window_, &screen);
  SendMessageW(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(screen.x, screen.y));
  HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
  EXPECT_GT(position.y, dragged) << "the wheel scrolls further down";
}

TEST_F(EngineWindowTest, TitleBecomesTheTooltip) {
  Load("<html><body style='margin:0'><div title='Play the game' style='width:100px; height:50px'>"
       "<b>inner</b></div></body></html>");
  SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  HWND tooltip = nullptr;
  for (HWND candidate : harness::TopLevelWindows(GetCurrentProcessId(), L"tooltips_class32")) tooltip = candidate;
  ASSERT_NE(tooltip, nullptr);
  wchar_t text[64] = {};
  TOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(window_);
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"Play the game") << "the title of the element or of its ancestor";
}

TEST_F(EngineWindowTest, HandCursorOverLinks) {
  Load("<html><body style='margin:0'><a href='http://x/' style='display:block; width:50px; height:50px'>"
       "l</a></body></html>");
  SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageW(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
}

// --- picture formats

TEST(Pictures, EveryFormatDecodesToPremultipliedPixels) {
  struct {
    const wchar_t* file;
    uint32_t bgra;  // the first pixel, premultiplied
    int tolerance;
  } cases[] = {
      {L"red.jpg", 0xFFFF0000, 8},
      {L"green.gif", 0xFF00FF00, 0},
      {L"blue.bmp", 0xFF0000FF, 0},
      {L"halfred.png", 0x80800000, 2},  // red at half alpha, premultiplied
  };
  for (const auto& c : cases) {
    win32host::Picture picture;
    ASSERT_TRUE(win32host::DecodePictureFile(Join(ZARN_SOURCE_DIR, std::wstring(L"tests\\fixtures\\") + c.file),
                                             &picture))
        << harness::ToUtf8(c.file);
    EXPECT_EQ(picture.width, 8);
    EXPECT_EQ(picture.height, 8);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(picture.bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    uint32_t first = *static_cast<const uint32_t*>(section.dsBm.bmBits);
    for (int shift : {0, 8, 16, 24}) {
      EXPECT_NEAR(static_cast<int>((first >> shift) & 0xFF), static_cast<int>((c.bgra >> shift) & 0xFF), c.tolerance)
          << harness::ToUtf8(c.file) << " " << std::hex << first;
    }
    win32host::FreePicture(&picture);
  }
  win32host::Picture none;
  EXPECT_FALSE(win32host::DecodePictureFile(Join(ZARN_SOURCE_DIR, L"tests\\fixtures\\README.md"), &none));
  EXPECT_FALSE(win32host::DecodePicture(nullptr, 0, &none));
}

// The pixels of a decoded picture, top-down BGRA.
std::vector<uint32_t> PixelsOf(const win32host::Picture& picture) {
  DIBSECTION section = {};
  if (GetObjectW(picture.bitmap, sizeof section, &section) != static_cast<int>(sizeof section)) return {};
  const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
  return std::vector<uint32_t>(bits, bits + static_cast<size_t>(picture.width) * picture.height);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Join(folder, pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(Join(folder, found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

// The engine decodes PNG pictures itself; the system's imaging component is
// the reference. Every picture of the sample screens and every kind of PNG
// of the decoder's own tests must come out the same, to rounding.
TEST(Pictures, OwnPngDecodingMatchesTheImagingComponent) {
  std::vector<std::wstring> files = FilesIn(Join(ZARN_SOURCE_DIR, L"gamefolder\\common\\html\\img"), L"*.png");
  std::vector<std::wstring> kinds = FilesIn(Join(ZARN_SOURCE_DIR, L"tests\\engine\\png"), L"*.png");
  ASSERT_GE(files.size(), 20u);
  ASSERT_GE(kinds.size(), 40u);
  files.insert(files.end(), kinds.begin(), kinds.end());
  files.push_back(Join(ZARN_SOURCE_DIR, L"tests\\fixtures\\halfred.png"));
  for (const std::wstring& file : files) {
    std::string name = harness::ToUtf8(file.substr(file.find_last_of(L'\\') + 1));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(win32host::ReadFileBytes(file, &bytes)) << name;
    win32host::Picture own, reference;
    ASSERT_TRUE(win32host::DecodePicture(bytes.data(), bytes.size(), &own)) << name;
    ASSERT_TRUE(win32host::DecodeWithImagingComponent(bytes.data(), bytes.size(), &reference)) << name;
    EXPECT_EQ(own.width, reference.width) << name;
    EXPECT_EQ(own.height, reference.height) << name;
    std::vector<uint32_t> a = PixelsOf(own), b = PixelsOf(reference);
    ASSERT_EQ(a.size(), b.size()) << name;
    int differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      for (int shift : {0, 8, 16, 24}) {
        int x = static_cast<int>((a[i] >> shift) & 0xFF), y = static_cast<int>((b[i] >> shift) & 0xFF);
        if (std::abs(x - y) > 1 && ++differing <= 3) {
          ADD_FAILURE() << name << " pixel " << i << ": " << std::hex << a[i] << " against " << b[i];
        }
      }
    }
    win32host::FreePicture(&own);
    win32host::FreePicture(&reference);
  }
}

// Layout takes a picture's size from its header alone: it must be the size
// the decoder gives, for every format.
TEST(Pictures, HeaderSizeIsTheDecodedSize) {
  std::vector<std::wstring> files = FilesIn(Join(ZARN_SOURCE_DIR, L"tests\\fixtures"), L"*.*");
  std::vector<std::wstring> thumbnails = {Join(ZARN_SOURCE_DIR, L"gamefolder\\common\\thumbnails\\default.jpg"),
                                          Join(ZARN_SOURCE_DIR, L"gamefolder\\games\\magic-garden\\thumb.jpg")};
  files.insert(files.end(), thumbnails.begin(), thumbnails.end());
  int pictures = 0;
  for (const std::wstring& file : files) {
    if (file.size() > 3 && file.compare(file.size() - 3, 3, L".md") == 0) continue;
    std::string name = harness::ToUtf8(file);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(win32host::ReadFileBytes(file, &bytes)) << name;
    int width = 0, height = 0;
    ASSERT_TRUE(engine::ReadPictureSize(bytes.data(), bytes.size(), &width, &height)) << name;
    win32host::Picture reference;
    ASSERT_TRUE(win32host::DecodeWithImagingComponent(bytes.data(), bytes.size(), &reference)) << name;
    EXPECT_EQ(width, reference.width) << name;
    EXPECT_EQ(height, reference.height) << name;
    win32host::FreePicture(&reference);
    ++pictures;
  }
  EXPECT_EQ(pictures, 6);
}

// --- fonts

TEST(Fonts, FirstInstalledFamilyOrTheSystemsDefault) {
  LOGFONTW system = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof system, &system);
  engine::FontDesc missing;
  missing.family = "No Such Family, \"Nor This\"";
  EXPECT_EQ(win32host::FaceFor(missing), system.lfFaceName);
  engine::FontDesc listed;
  listed.family = "No Such Family, '" + harness::ToUtf8(system.lfFaceName) + "', Arial";
  EXPECT_EQ(win32host::FaceFor(listed), system.lfFaceName) << "the first one installed";
  // Measured with the font that draws: a bigger size is wider.
  engine::FontDesc small, big;
  small.size = 10;
  big.size = 30;
  EXPECT_LT(win32host::MeasureText(small, L"Words", 5), win32host::MeasureText(big, L"Words", 5));
  EXPECT_EQ(win32host::MeasureText(big, L"", 0), 0);
  engine::FontMetrics metrics = win32host::MetricsFor(big);
  EXPECT_GT(metrics.ascent, metrics.descent);
  EXPECT_GE(metrics.ascent + metrics.descent, 30 - 2);
  // The x-height (the ex unit) is the font's own figure and grows with it.
  engine::FontDesc bigger = big;
  bigger.size = 60;
  float x30 = metrics.xHeight, x60 = win32host::MetricsFor(bigger).xHeight;
  EXPECT_GT(x30, 30 * 0.4f);
  EXPECT_LT(x30, 30 * 0.7f);
  EXPECT_NEAR(x60, 2 * x30, 1.5f);
}

// A measure is GDI's own in the font asked for. The measuring DC keeps the
// last font selected between measures: faces, sizes, weights and slants
// follow each other here and must not be mixed up.
TEST(Fonts, MeasuresAreGdisOwn) {
  struct Face {
    const char* family;
    int size, weight;
    bool italic;
  } faces[] = {{"Tahoma", 12, 400, false}, {"Arial", 21, 700, false}, {"Times New Roman", 15, 400, true},
               {"Courier New", 13, 700, true}, {"No Such Family", 11, 400, false}};
  const wchar_t* texts[] = {L"Play", L"My games", L"AVAWAY To.", L"12,345.67%",
                            L"\x0418\x0433\x0440\x044B \x043E\x0442 ZarnSoft",  // Cyrillic
                            L"Caf\x00E9 \x00BD", L"\x2192 \x0410", L"i", L"W"};
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Face& face : faces) {
    engine::FontDesc font;
    font.family = face.family;
    font.size = face.size;
    font.weight = face.weight;
    font.italic = face.italic;
    HGDIOBJ old = SelectObject(dc, win32host::FontFor(font));
    for (const wchar_t* text : texts) {
      int length = static_cast<int>(wcslen(text));
      SIZE gdi = {};
      GetTextExtentPoint32W(dc, text, length, &gdi);
      EXPECT_EQ(win32host::MeasureText(font, text, static_cast<size_t>(length)), gdi.cx)
          << face.family << " " << face.size << " " << harness::ToUtf8(text);
    }
    SelectObject(dc, old);
  }
  DeleteDC(dc);
}

// --- remote pictures

struct Loaded {
  UINT code;
  std::wstring uri;
  UINT status;
};
std::vector<Loaded> gLoaded;
LRESULT CALLBACK RecordNotification(UINT message, WPARAM, LPARAM lParam, LPVOID) {
  EXPECT_EQ(message, static_cast<UINT>(WM_NOTIFY));
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code == HLN_DATA_LOADED) {
    const auto* record = reinterpret_cast<const NMHL_DATA_LOADED*>(lParam);
    gLoaded.push_back({header->code, record->uri, record->status});
  }
  return 0;
}

class RemotePictureTest : public EngineWindowTest {
 protected:
  void SetUp() override {
    EngineWindowTest::SetUp();
    const char* server = std::getenv("ZARN_TEST_SERVER");
    const char* root = std::getenv("ZARN_TEST_SERVER_ROOT");
    if (server == nullptr || root == nullptr) GTEST_SKIP() << "no test HTTP server (tools/test.sh starts one)";
    server_ = harness::FromUtf8(server);
    root_ = harness::FromUtf8(root);
    uint32_t green[4] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    ASSERT_TRUE(win32host::WritePng(Join(root_, L"green.png"), green, 2, 2));
    HTMLayoutSetCallback(window_, RecordNotification, nullptr);
    gLoaded.clear();
  }
  void Control(const std::wstring& query) {
    HINTERNET internet = InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request = InternetOpenUrlW(internet, (server_ + L"/_control/" + query).c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD, 0);
    ASSERT_NE(request, nullptr);
    InternetCloseHandle(request);
    InternetCloseHandle(internet);
  }
  std::wstring server_, root_;
};

TEST_F(RemotePictureTest, EveryFinishedLoadIsReportedWithItsStatusAndTheFoundPictureAppears) {
  Control(L"reset");
  std::string server = harness::ToUtf8(server_);
  Load("<html><body style='margin:0'>"
       "<img src='" + server + "/green.png' style='position:absolute; left:0; top:0; width:40px; height:40px'>"
       "<img src='" + server + "/missing.png' style='position:absolute; left:50px; top:0; width:40px;"
       " height:40px'></body></html>");
  ASSERT_TRUE(harness::WaitUntil(
      [&] {
        Pump();
        return gLoaded.size() == 2;
      },
      10000));
  std::map<std::wstring, UINT> statusByUri;
  for (const Loaded& loaded : gLoaded) statusByUri[loaded.uri] = loaded.status;
  EXPECT_EQ(statusByUri[server_ + L"/green.png"], 200u);
  EXPECT_EQ(statusByUri[server_ + L"/missing.png"], 404u);
  Pixels pixels = Render();
  EXPECT_EQ(pixels.At(20, 20), 0x00FF00u) << "the picture appears";
  EXPECT_EQ(pixels.At(70, 20), 0xFFFFFFu) << "a 404 stays empty";
  // The requests went out as the manager's: agent "IE6".
  HINTERNET internet = InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET log = InternetOpenUrlW(internet, (server_ + L"/_control/log").c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (log != nullptr && InternetReadFile(log, buffer, sizeof buffer, &read) && read > 0) text.append(buffer, read);
  InternetCloseHandle(log);
  InternetCloseHandle(internet);
  EXPECT_NE(text.find(">>> GET /green.png HTTP/1.1"), std::string::npos) << text;
  EXPECT_NE(text.find("User-Agent: IE6"), std::string::npos) << text;
}

TEST_F(RemotePictureTest, TheWindowKeepsAnsweringWhileAPictureLoadsSlowly) {
  Control(L"set?path=/slow.png&delay=3");
  uint32_t green[4] = {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
  ASSERT_TRUE(win32host::WritePng(Join(root_, L"slow.png"), green, 2, 2));
  DWORD before = GetTickCount();
  Load("<html><body><img src='" + harness::ToUtf8(server_) + "/slow.png'></body></html>");
  EXPECT_LT(GetTickCount() - before, 1000u) << "loading the document does not wait for the picture";
  std::atomic<DWORD> longest{0};
  std::atomic<bool> done{false};
  std::thread prober([&] {
    while (!done) {
      DWORD start = GetTickCount();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
      longest = std::max<DWORD>(longest, GetTickCount() - start);
      Sleep(50);
    }
  });
  harness::WaitUntil(
      [&] {
        Pump();
        return !gLoaded.empty();
      },
      10000);
  done = true;
  prober.join();
  ASSERT_EQ(gLoaded.size(), 1u);
  EXPECT_EQ(gLoaded[0].status, 200u);
  EXPECT_GE(GetTickCount() - before, 2500u) << "the picture was slow";
  EXPECT_LT(longest.load(), 500u) << "the window answered meanwhile";
  Control(L"reset");
}

}  // namespace
