// The engine's public face: a View shows one document in a rectangle. The
// host (host.h) gives it fonts and pictures; it gives the host a display list
// to draw (display_list.h) and the area that changed.
//
//   View view(&host);
//   view.SetViewportSize(730, 512);
//   view.LoadHtml(bytes, size, u"C:\\Games\\x\\html\\screen_reg.htm");
//   UpdateResult r = view.Update();   // parse done; cascade, boxes, layout, paint
//   ... draw view.displayList(), invalidate r.damage ...
//
// Elements are addressed by ElementHandle (dom.h) through the free functions
// below. They work without the view (the handle finds its document), check
// the handle first, and return false, 0 or null for a handle whose element
// was deleted or whose document was replaced. Changes only mark what they
// affect; the next Update restyles, rebuilds and lays out just that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/engine/box_tree.h"
#include "ui/engine/cascade.h"
#include "ui/engine/display_list.h"
#include "ui/engine/dom.h"
#include "ui/engine/hit_test.h"
#include "ui/engine/host.h"
#include "ui/engine/layout.h"

namespace engine {

// --- mouse events

enum class MouseEventType : uint8_t { kMove, kDown, kUp, kDoubleClick, kWheel, kLeave };

// Mouse buttons (MouseEvent::buttons, MouseParams::buttons).
constexpr uint32_t kMainButton = 1;
constexpr uint32_t kPropButton = 2;
constexpr uint32_t kMiddleButton = 4;

// What the host passes in: the event, where (view coordinates), the buttons
// down (for kDown and kUp: the button that changed), keyboard modifiers as
// the host defines them, and for kWheel the wheel delta (120 per notch,
// positive away from the user).
struct MouseEvent {
  MouseEventType type = MouseEventType::kMove;
  Point point;
  uint32_t buttons = 0;
  uint32_t modifiers = 0;
  int wheelDelta = 0;
};

// Command codes handlers see, with the phase and handled bits above them.
constexpr uint32_t kMouseEnter = 0;
constexpr uint32_t kMouseLeave = 1;
constexpr uint32_t kMouseMove = 2;
constexpr uint32_t kMouseUp = 3;
constexpr uint32_t kMouseDown = 4;
constexpr uint32_t kMouseDoubleClick = 5;
constexpr uint32_t kMouseWheel = 6;
constexpr uint32_t kSinking = 0x8000;   // set during the pass from the root down to the target
constexpr uint32_t kHandled = 0x10000;  // set once a handler has returned true for this event

struct MouseParams {
  uint32_t cmd = 0;              // command | kSinking | kHandled
  ElementHandle target = 0;      // the element under the mouse
  ElementHandle current = 0;     // the element whose handler runs (the root for window handlers)
  Point point;                   // view coordinates
  Point pointInElement;          // relative to the current element's border box
  uint32_t buttons = 0;
  uint32_t modifiers = 0;
  int wheelDelta = 0;
};

// Returns true when it handled the event.
using MouseHandler = std::function<bool(const MouseParams&)>;

struct MouseResult {
  bool handled = false;  // a handler returned true, or the engine used the event (scroll bars, wheel)
  Cursor cursor = Cursor::kDefault;
  Rect damage;           // to repaint
};

struct UpdateResult {
  Rect damage;  // the area whose drawing changed
};

struct ScrollInfo {
  int position = 0;       // pixels scrolled down
  int maxPosition = 0;    // largest position: content height minus page
  int page = 0;           // visible height (the padding box)
  int contentHeight = 0;  // height of what scrolls
};

struct ViewOptions {
  int scrollBarWidth = 16;
  int wheelStep = 48;  // pixels per wheel notch
  int lineStep = 16;   // pixels per scroll bar arrow click
};

class View {
 public:
  explicit View(Host* host, ViewOptions options = ViewOptions());
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Replaces the document (every handle into the old one turns stale).
  void LoadHtml(const uint8_t* bytes, size_t size, const std::u16string& address);
  void LoadHtml(std::u16string_view text, const std::u16string& address);
  void SetViewportSize(int width, int height);
  Size viewportSize() const { return Size{viewportWidth_, viewportHeight_}; }

  // Brings style, boxes, layout and the display list up to date.
  UpdateResult Update();
  bool NeedsUpdate() const;
  const DisplayList& displayList() const { return displayList_; }
  const std::vector<HitRegion>& hitRegions() const { return hitRegions_; }

  // Answers of the host to RequestResource.
  void DeliverStyleSheet(const std::u16string& address, const uint8_t* bytes, size_t size, bool ok);
  void DeliverImage(const std::u16string& address, bool ok);

  // Mouse input; updates the view and reports what to repaint.
  MouseResult HandleMouse(const MouseEvent& event);
  // A handler for one element's events, or with element 0 for the events of
  // every element (called before the root when sinking and after it when
  // bubbling). Returns an id for DetachHandler.
  int AttachHandler(ElementHandle element, MouseHandler handler);
  void DetachHandler(int id);

  ElementHandle RootElement() const;
  ElementHandle ElementAt(Point point);
  Document* document() { return document_.get(); }
  Box* rootBox() { return rootBox_.get(); }
  // Drops the box tree (before the document's root element is deleted).
  void DropBoxes() {
    rootBox_.reset();
    layoutDirty_ = paintDirty_ = true;  // no document: no scroll bar, nothing drawn
  }
  // Forgets every cached result, so that the next Update works from the
  // document alone (to compare incremental updates with a full one).
  void InvalidateEverything();
  LayoutContext& layoutContext() { return layout_; }
  StyleContext& styleContext() { return *style_; }

  // Scrolling by element (the root element scrolls the view).
  bool GetScrollInfo(const Node* element, ScrollInfo* info);
  bool SetScrollPosition(const Node* element, int position);

  // Called by the element operations below when a node changes.
  void NoteAttributeChanged(Node* element, Atom name);
  void NoteChildrenChanged(Node* parent, Node* near);
  void NoteStateChanged(Node* element, uint32_t changedBits);
  void NoteStyleSheetsChanged();

 private:
  void ResetDocumentState();
  void CollectStyleSheets();
  void RebuildRules();
  void RestyleDocument();
  void RebuildBoxes();
  void LayoutBoxes();
  void PaintDisplayList();
  void RequestNewResources();
  void NoteImage(const std::u16string& address, const Node* element);

  bool Dispatch(uint32_t command, ElementHandle target, const MouseEvent& event);
  void SetHover(ElementHandle target);
  void SetActive(ElementHandle target);
  bool HandleScrollBarMouse(const MouseEvent& event, const HitResult& hit);
  bool ScrollBy(const Node* element, int delta);
  int ScrollPositionOf(const Node* element, int maxPosition);

  struct SheetSlot {
    std::u16string address;  // linked sheet; empty for a <style> element
    std::unique_ptr<StyleSheet> sheet;
  };
  struct HandlerEntry {
    int id;
    ElementHandle element;
    MouseHandler handler;
  };

  Host* host_;
  ViewOptions options_;
  int viewportWidth_ = 0;
  int viewportHeight_ = 0;
  std::unique_ptr<Document> document_;
  uint32_t documentSerial_ = 0;
  std::unique_ptr<StyleContext> style_;
  std::unique_ptr<Box> rootBox_;
  LayoutContext layout_;
  DisplayList displayList_;
  std::vector<HitRegion> hitRegions_;
  std::vector<SheetSlot> sheets_;
  std::unordered_map<std::u16string, std::string> linkedSheetText_;  // delivered, by address
  // Addresses asked of the host: true once the answer came.
  std::unordered_map<std::u16string, bool> resources_;
  std::vector<std::pair<std::u16string, ResourceKind>> toRequest_;
  std::unordered_map<std::u16string, std::vector<ElementHandle>> imageUsers_;  // pictures not yet here
  std::unordered_map<ElementHandle, int> scrollPositions_;
  int viewportScroll_ = 0;
  bool sheetsDirty_ = false;
  bool layoutDirty_ = true;
  bool paintDirty_ = true;

  std::vector<HandlerEntry> handlers_;
  int nextHandlerId_ = 1;
  std::vector<ElementHandle> hoverChain_;   // target first
  std::vector<ElementHandle> activeChain_;
  ElementHandle hoverTarget_ = 0;
  // Scroll bar interaction.
  ElementHandle scrollBarOwner_ = 0;
  ScrollBarPart scrollBarPart_ = ScrollBarPart::kNone;
  bool scrollBarPressed_ = false;
  int dragStartY_ = 0;
  int dragStartPosition_ = 0;
};

// --- element operations by handle

// Children as the API counts them: elements and text nodes that are not
// only white space.
int CountChildren(ElementHandle element);
ElementHandle GetChild(ElementHandle element, int index);
ElementHandle GetParent(ElementHandle element);
// The tag name, or "text" for a text node; null for a stale handle.
const char* GetElementType(ElementHandle element);
// The value of an attribute (name in any letter case), owned by the engine
// and valid until the element changes; null when absent or stale.
const char16_t* GetAttribute(ElementHandle element, const char* name);
int CountAttributes(ElementHandle element);
// The name and value of the attribute at `index` in source order.
bool GetAttributeAt(ElementHandle element, int index, const char** name, const char16_t** value);
// Sets an attribute; a null value removes it.
bool SetAttribute(ElementHandle element, const char* name, const char16_t* value);
// Sets one style property at run time, over the style sheets and the style
// attribute ("visibility", u"hidden"); a null or empty value removes it.
bool SetStyleProperty(ElementHandle element, const char* name, const char16_t* value);
// Replaces the element's content with plain text (`length` UTF-16 units).
bool SetInnerText(ElementHandle element, const char16_t* text, size_t length);
std::u16string GetInnerText(ElementHandle element);
// A new element outside any document, with `text` as its content (may be
// null or empty).
ElementHandle CreateElement(const char* tag, const char16_t* text);
// Moves or inserts `element` under `parent` at `index` (counted as
// CountChildren counts); an index at or past the end appends. Refused for an
// element into itself or its own subtree, across documents, or past the
// depth limit.
bool InsertElement(ElementHandle element, ElementHandle parent, int index);
// Removes the element with its subtree; every handle into it turns stale.
bool DeleteElement(ElementHandle element);
uint32_t GetElementState(ElementHandle element);
bool SetElementState(ElementHandle element, uint32_t set, uint32_t clear);
// The border box in view coordinates as last laid out and scrolled.
bool GetElementRect(ElementHandle element, Rect* rect);
bool GetScrollInfo(ElementHandle element, ScrollInfo* info);
bool SetScrollPosition(ElementHandle element, int position);
// The view showing the element's document, or null (detached, stale).
View* ViewOf(ElementHandle element);

}  // namespace engine
