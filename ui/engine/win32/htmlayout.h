// The engine's operations as the manager calls them: an HTMLayout-style C API
// over the portable core (ui/engine/view.h), with the Win32 host behind it
// (GDI painting, fonts, WIC pictures, WinInet loads of http:// pictures).
//
// All calls run on the thread that owns the window. Element handles are used
// at once and never reference-counted; a handle of a deleted element or of a
// replaced document is refused (HLDOM_INVALID_HANDLE), never followed.
// Attribute and style names are 8-bit, values UTF-16. Attribute texts that
// the engine hands out stay valid until the element changes.
//
// Timers: the engine sets no timers on the window, so every timer id is the
// window's own; HTMLayoutProcND never reports WM_TIMER as handled.
#pragma once

#include <windows.h>

typedef void* HELEMENT;  // 0: no element

enum HLDOM_RESULT {
  HLDOM_OK = 0,
  HLDOM_INVALID_HWND = 1,
  HLDOM_INVALID_HANDLE = 2,
  HLDOM_PASSIVE_HANDLE = 3,
  HLDOM_INVALID_PARAMETER = 4,
  HLDOM_OPERATION_FAILED = 5,
  HLDOM_OK_NOT_HANDLED = -1,
};

// --- notifications (HTMLayoutSetCallback)

// A resource finished loading: a picture or style sheet fetched from an
// http:// address, whatever its outcome.
constexpr UINT HLN_DATA_LOADED = 0xB03;

enum HTMLAYOUT_RESOURCE_TYPE { HLRT_DATA_HTML = 0, HLRT_DATA_IMAGE = 1, HLRT_DATA_STYLE = 2 };

struct NMHL_DATA_LOADED {
  NMHDR hdr;         // hwndFrom: the window, idFrom: 0, code: HLN_DATA_LOADED
  LPCWSTR uri;       // the address as the document gave it, resolved
  LPVOID data;       // the bytes received (null when none)
  DWORD dataSize;
  UINT dataType;     // HTMLAYOUT_RESOURCE_TYPE
  UINT status;       // the HTTP status; 0 when no answer came
};

// uMsg is WM_NOTIFY, wParam 0, lParam the notification record (an NMHDR
// first), vParam the parameter given with the callback.
typedef LRESULT(CALLBACK* LPHTMLAYOUT_NOTIFY)(UINT uMsg, WPARAM wParam, LPARAM lParam, LPVOID vParam);

// --- element events (HTMLayoutWindowAttachEventHandler)

constexpr UINT HANDLE_MOUSE = 0x0001;

enum MOUSE_EVENTS {
  MOUSE_ENTER = 0,
  MOUSE_LEAVE = 1,
  MOUSE_MOVE = 2,
  MOUSE_UP = 3,
  MOUSE_DOWN = 4,
  MOUSE_DCLICK = 5,
  MOUSE_WHEEL = 6,
};
// Bits above the command: the pass from the root down to the target, and an
// event that a handler has already handled. A command is exactly MOUSE_UP or
// MOUSE_DOWN only while bubbling and not yet handled.
constexpr UINT SINKING = 0x8000;
constexpr UINT HANDLED = 0x10000;

enum MOUSE_BUTTONS { MAIN_MOUSE_BUTTON = 1, PROP_MOUSE_BUTTON = 2, MIDDLE_MOUSE_BUTTON = 4 };

struct MOUSE_PARAMS {
  UINT cmd;             // MOUSE_EVENTS | SINKING | HANDLED
  HELEMENT target;      // the element under the mouse
  POINT pos;            // relative to the element whose handler runs
  POINT pos_document;   // window client coordinates
  UINT button_state;    // MOUSE_BUTTONS
  UINT alt_state;       // MK_CONTROL and MK_SHIFT of the message
  UINT cursor_type;
  BOOL is_on_icon;
  HELEMENT dragging;
  UINT dragging_mode;
};

// he: the element whose handler runs (the root for a window handler); evtg:
// the event group (HANDLE_MOUSE); prms: MOUSE_PARAMS. TRUE: handled.
typedef BOOL(CALLBACK* LPELEMENT_EVENT_PROC)(LPVOID tag, HELEMENT he, UINT evtg, LPVOID prms);

// --- element states

constexpr UINT STATE_HOVER = 0x2;
constexpr UINT STATE_ACTIVE = 0x4;
constexpr UINT STATE_FOCUS = 0x8;

// --- window

// Hands a message of the window to the engine: painting, erasing, sizing,
// mouse, cursor and the engine's own messages. *handled says whether the
// engine took it; then the result is the message's result.
LRESULT HTMLayoutProcND(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled);
VOID HTMLayoutSetCallback(HWND hwnd, LPHTMLAYOUT_NOTIFY callback, LPVOID callbackParam);
BOOL HTMLayoutWindowAttachEventHandler(HWND hwnd, LPELEMENT_EVENT_PROC handler, LPVOID tag, UINT subscription);
// Loads a document from a full path, replacing the old one whole.
BOOL HTMLayoutLoadFile(HWND hwnd, LPCWSTR path);
// Loads a document from memory; baseAddress resolves its relative addresses.
BOOL HTMLayoutLoadHtmlEx(HWND hwnd, const BYTE* html, UINT size, LPCWSTR baseAddress);

// Extensions for previews and tests: draws the window's document into dc
// (client coordinates) without a paint message; the number of http:// loads
// still under way.
BOOL HTMLayoutRenderToDC(HWND hwnd, HDC dc, const RECT* area);
UINT HTMLayoutPendingLoads(HWND hwnd);

// --- elements

HLDOM_RESULT HTMLayoutGetRootElement(HWND hwnd, HELEMENT* root);
HLDOM_RESULT HTMLayoutGetChildrenCount(HELEMENT he, UINT* count);
HLDOM_RESULT HTMLayoutGetNthChild(HELEMENT he, UINT n, HELEMENT* child);
HLDOM_RESULT HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent);
// The tag name, or "text" for a bare text node.
HLDOM_RESULT HTMLayoutGetElementType(HELEMENT he, LPCSTR* type);
// The engine's own text of the attribute, or null when it is absent.
HLDOM_RESULT HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value);
HLDOM_RESULT HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value);
// One style property over the style sheets, e.g. "visibility" = "hidden".
HLDOM_RESULT HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value);
HLDOM_RESULT HTMLayoutSetElementInnerText16(HELEMENT he, LPCWSTR text, UINT length);
// A new element outside any document; text may be null or "".
HLDOM_RESULT HTMLayoutCreateElement(LPCSTR tag, LPCWSTR text, HELEMENT* created);
// An index at or past the end appends.
HLDOM_RESULT HTMLayoutInsertElement(HELEMENT he, HELEMENT parent, UINT index);
HLDOM_RESULT HTMLayoutDeleteElement(HELEMENT he);
// Brings the element's window up to date and repaints it at once.
HLDOM_RESULT HTMLayoutUpdateElement(HELEMENT he, BOOL remeasure);
HLDOM_RESULT HTMLayoutSetElementState(HELEMENT he, UINT set, UINT clear, BOOL update);
HLDOM_RESULT HTMLayoutGetElementState(HELEMENT he, UINT* state);
// Scroll position (y), the visible area and the size of what scrolls.
HLDOM_RESULT HTMLayoutGetScrollInfo(HELEMENT he, LPPOINT position, LPRECT view, LPSIZE content);
HLDOM_RESULT HTMLayoutSetScrollPos(HELEMENT he, POINT position, BOOL smooth);
// The border box in window client coordinates.
HLDOM_RESULT HTMLayoutGetElementLocation(HELEMENT he, LPRECT rect);
