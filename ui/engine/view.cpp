// The view: document loading, the update pipeline, resources, element
// operations by handle, scrolling, and the mouse (hover, active, dispatch).
#include "ui/engine/view.h"

#include <algorithm>

#include "ui/engine/css_parser.h"
#include "ui/engine/hit_test.h"
#include "ui/engine/html_parser.h"
#include "ui/engine/layout_internal.h"
#include "ui/engine/painting.h"
#include "ui/engine/text.h"
#include "ui/engine/url.h"

namespace engine {

namespace {

constexpr uint16_t kAllDirty = kDirtyStyleSubtree | kDirtyBoxSelf | kDirtyBoxChildren;

bool IsApiChild(const Node* node) { return !IsBlankText(node); }

// (Recursive: trees are at most kMaxTreeDepth deep.)
bool ContainsSheetSource(const Node* n) {
  if (n->tag == kAtomStyle || n->tag == kAtomLink) return true;
  for (const Node* child : n->children) {
    if (child->IsElement() && ContainsSheetSource(child)) return true;
  }
  return false;
}

// Whether taking `node` out of `parent` or putting it in changes the style
// sheets: a style or link element inside it, or the text of a style element.
bool ChangesSheets(const Node* node, const Node* parent) {
  return ContainsSheetSource(node) || (parent != nullptr && parent->tag == kAtomStyle);
}

// Attributes that HTML turns into style (CollectPresentationalHints), and
// whether the element's descendants read them too.
bool IsPresentational(Atom tag, Atom name, bool* affectsDescendants) {
  *affectsDescendants = false;
  switch (name) {
    case kAtomWidth: case kAtomHeight:
      return tag == kAtomImg || tag == kAtomTable || tag == kAtomTd || tag == kAtomTh ||
             (name == kAtomWidth && (tag == kAtomCol || tag == kAtomColgroup));
    case kAtomBgcolor: case kAtomBackground:
      return tag == kAtomBody || tag == kAtomTable || tag == kAtomTr || tag == kAtomTd || tag == kAtomTh ||
             tag == kAtomTbody || tag == kAtomThead || tag == kAtomTfoot;
    case kAtomAlign: case kAtomValign:
      *affectsDescendants = tag == kAtomTr;
      return true;
    case kAtomBorder: case kAtomCellpadding:
      *affectsDescendants = tag == kAtomTable;
      return tag == kAtomTable || tag == kAtomImg;
    case kAtomCellspacing:
      return tag == kAtomTable;
    case kAtomNowrap:
      return tag == kAtomTd || tag == kAtomTh;
    case kAtomColor: case kAtomFace: case kAtomSize:
      return tag == kAtomFont;
    case kAtomText:
      return tag == kAtomBody;
    case kAtomHspace: case kAtomVspace:
      return tag == kAtomImg;
    default:
      return false;
  }
}

void ResolveSheetAddresses(StyleSheet& sheet, const std::u16string& base) {
  for (StyleRule& rule : sheet.rules) {
    for (Declaration& d : rule.declarations) {
      if (d.value.kind == ValueKind::kUrl) d.value.text = Utf16ToUtf8(ResolveAddress(base, Utf8ToUtf16(d.value.text)));
    }
  }
}

}  // namespace

View::View(Host* host, ViewOptions options) : host_(host), options_(options) {
  layout_.host = host;
  layout_.scrollBarWidth = options.scrollBarWidth;
  layout_.noteImage = [this](const std::u16string& address, const Node* element) { NoteImage(address, element); };
  style_ = std::make_unique<StyleContext>();
  style_->SetHost(host_);
}

View::~View() {
  rootBox_.reset();  // boxes first: they point at nodes
  if (document_ != nullptr) document_->view = nullptr;
  document_.reset();
}

void View::ResetDocumentState() {
  rootBox_.reset();
  sheets_.clear();
  linkedSheetText_.clear();
  resources_.clear();
  toRequest_.clear();
  imageUsers_.clear();
  scrollPositions_.clear();
  viewportScroll_ = 0;
  hoverChain_.clear();
  activeChain_.clear();
  hoverTarget_ = 0;
  scrollBarOwner_ = 0;
  scrollBarPart_ = ScrollBarPart::kNone;
  scrollBarPressed_ = false;
  // Handlers of elements go with their document; the view's own stay.
  handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(), [](const HandlerEntry& h) { return h.element != 0; }),
                  handlers_.end());
  style_ = std::make_unique<StyleContext>();
  style_->SetHost(host_);
  style_->SetDocument(document_.get());
  layoutDirty_ = true;
  paintDirty_ = true;
}

void View::LoadHtml(const uint8_t* bytes, size_t size, const std::u16string& address) {
  LoadHtml(DecodeText(bytes, size, *host_), address);
}

void View::LoadHtml(std::u16string_view text, const std::u16string& address) {
  rootBox_.reset();
  if (document_ != nullptr) document_->view = nullptr;
  document_.reset();  // every handle into it turns stale here
  ResetDocumentState();
  document_ = ParseHtml(text, address);
  document_->view = this;
  ++documentSerial_;
  style_->SetDocument(document_.get());
  sheetsDirty_ = true;
  MarkDirty(document_->root, kAllDirty);
}

void View::InvalidateEverything() {
  rootBox_.reset();
  sheetsDirty_ = true;
  layoutDirty_ = true;
  paintDirty_ = true;
  if (document_ != nullptr && document_->root != nullptr) MarkDirty(document_->root, kAllDirty);
}

void View::SetViewportSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == viewportWidth_ && height == viewportHeight_) return;
  viewportWidth_ = width;
  viewportHeight_ = height;
  layout_.viewportWidth = width;
  layout_.viewportHeight = height;
  if (rootBox_ != nullptr) MarkNeedsLayout(rootBox_.get());
  layoutDirty_ = true;
  paintDirty_ = true;
}

bool View::NeedsUpdate() const {
  return (document_ != nullptr && document_->dirty) || sheetsDirty_ || layoutDirty_ || paintDirty_;
}

// The pipeline: cascade, boxes, layout, display list.
UpdateResult View::Update() {
  if (!NeedsUpdate()) return UpdateResult{};
  DisplayList previous = std::move(displayList_);
  if (document_ != nullptr) document_->dirty = false;
  if (sheetsDirty_) CollectStyleSheets();
  RestyleDocument();
  RebuildBoxes();
  LayoutBoxes();
  PaintDisplayList();
  RequestNewResources();
  return UpdateResult{DamagedArea(previous, displayList_)};
}

void View::RestyleDocument() {
  if (document_ != nullptr && document_->root != nullptr) RestyleTree(*style_, document_->root);
}

void View::RebuildBoxes() {
  Node* root = document_ != nullptr ? document_->root : nullptr;
  bool paintOnly = false;
  bool changed = UpdateBoxTree(*style_, root, &rootBox_, &paintOnly);
  if (changed) paintDirty_ = true;
  if (changed && !paintOnly) layoutDirty_ = true;
}

void View::LayoutBoxes() {
  if (!layoutDirty_) {
    layout_.stats = LayoutStats();
    return;
  }
  LayoutBoxTree(layout_, rootBox_.get());
  layoutDirty_ = false;
  paintDirty_ = true;
}

void View::PaintDisplayList() {
  if (!paintDirty_ && !displayList_.items.empty()) return;
  PaintInput input;
  input.layout = &layout_;
  input.viewportWidth = viewportWidth_;
  input.viewportHeight = viewportHeight_;
  int maxViewportScroll = std::max(0, layout_.documentHeight - viewportHeight_);
  viewportScroll_ = std::max(0, std::min(viewportScroll_, layout_.viewportScrollBar ? maxViewportScroll : 0));
  input.viewportScroll = viewportScroll_;
  input.scrollOf = [this](const Node* element, int maxPosition) { return ScrollPositionOf(element, maxPosition); };
  input.hotScrollBar = scrollBarOwner_;
  input.hotPart = scrollBarPart_;
  input.scrollBarPressed = scrollBarPressed_;
  BuildDisplayList(input, rootBox_.get(), &displayList_, &hitRegions_);
  paintDirty_ = false;
}

int View::ScrollPositionOf(const Node* element, int maxPosition) {
  auto found = scrollPositions_.find(element->handle);
  int position = found == scrollPositions_.end() ? 0 : found->second;
  return std::max(0, std::min(position, maxPosition));
}

// --- resources

void View::NoteImage(const std::u16string& address, const Node* element) {
  auto [entry, added] = resources_.emplace(address, false);
  if (added) toRequest_.emplace_back(address, ResourceKind::kImage);
  // Until the picture arrives, remember the <img> elements it sizes.
  if (element != nullptr && !entry->second) {
    std::vector<ElementHandle>& users = imageUsers_[address];
    if (users.empty() || users.back() != element->handle) users.push_back(element->handle);
  }
}

void View::RequestNewResources() {
  // Asked after the pipeline, so that an answer given at once finds the
  // view between updates.
  std::vector<std::pair<std::u16string, ResourceKind>> batch;
  batch.swap(toRequest_);
  uint32_t serial = documentSerial_;
  for (const auto& [address, kind] : batch) {
    if (serial != documentSerial_) break;
    host_->RequestResource(address, kind);
  }
}

void View::CollectStyleSheets() {
  sheetsDirty_ = false;
  sheets_.clear();
  if (document_ == nullptr || document_->root == nullptr) {
    RebuildRules();
    return;
  }
  std::vector<Node*> pending{document_->root};
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(*it);
    if (!node->IsElement()) continue;
    const char16_t* media = node->attributes.Find(kAtomMedia);
    if (media != nullptr) {
      std::string m = AsciiLowered(Utf16ToUtf8(media));
      if (!TrimSpace(std::string_view(m)).empty() && m.find("screen") == std::string::npos &&
          m.find("all") == std::string::npos) {
        continue;
      }
    }
    if (node->tag == kAtomStyle) {
      SheetSlot slot;
      slot.sheet = std::make_unique<StyleSheet>(ParseStyleSheet(Utf16ToUtf8(CollectText(node))));
      ResolveSheetAddresses(*slot.sheet, document_->url);
      sheets_.push_back(std::move(slot));
    } else if (node->tag == kAtomLink) {
      const char16_t* rel = node->attributes.Find(kAtomRel);
      const char16_t* href = node->attributes.Find(kAtomHref);
      if (rel == nullptr || href == nullptr) continue;
      std::string relText = AsciiLowered(Utf16ToUtf8(rel));
      if (relText.find("stylesheet") == std::string::npos || relText.find("alternate") != std::string::npos) continue;
      SheetSlot slot;
      slot.address = ResolveAddress(document_->url, href);
      if (slot.address.empty()) continue;
      auto delivered = linkedSheetText_.find(slot.address);
      if (delivered != linkedSheetText_.end()) {
        slot.sheet = std::make_unique<StyleSheet>(ParseStyleSheet(delivered->second));
        ResolveSheetAddresses(*slot.sheet, slot.address);
      } else if (resources_.emplace(slot.address, false).second) {
        toRequest_.emplace_back(slot.address, ResourceKind::kStyleSheet);
      }
      sheets_.push_back(std::move(slot));
    }
  }
  RebuildRules();
}

void View::RebuildRules() {
  std::vector<const StyleSheet*> sheets;
  for (const SheetSlot& slot : sheets_) {
    if (slot.sheet != nullptr) sheets.push_back(slot.sheet.get());
  }
  style_->SetAuthorSheets(sheets);
  if (document_ != nullptr && document_->root != nullptr) MarkDirty(document_->root, kDirtyStyleSubtree);
}

void View::DeliverStyleSheet(const std::u16string& address, const uint8_t* bytes, size_t size, bool ok) {
  if (document_ == nullptr) return;
  resources_[address] = true;
  std::u16string text = ok && bytes != nullptr ? DecodeText(bytes, size, *host_) : std::u16string();
  linkedSheetText_[address] = Utf16ToUtf8(text);
  NoteStyleSheetsChanged();
}

void View::DeliverImage(const std::u16string& address, bool ok) {
  (void)ok;
  if (document_ == nullptr) return;
  resources_[address] = true;
  // Pictures size their <img> boxes: those are laid out again. Backgrounds
  // only repaint.
  auto users = imageUsers_.find(address);
  if (users != imageUsers_.end()) {
    for (ElementHandle handle : users->second) {
      Node* node = ResolveHandle(handle);
      if (node != nullptr && DocumentOf(node) == document_.get()) MarkDirty(node, kDirtyLayout);
    }
    imageUsers_.erase(users);
  }
  paintDirty_ = true;
}

void View::NoteStyleSheetsChanged() {
  sheetsDirty_ = true;
  if (document_ != nullptr) document_->dirty = true;
}

// --- change notes (what a change can affect)

// The later element siblings of an element, and everything below them: what
// a selector with + or ~ may match differently after a change to it.
static void MarkSiblingsDirty(Node* element) {
  for (Node* next = const_cast<Node*>(NextElementSibling(element)); next != nullptr;
       next = const_cast<Node*>(NextElementSibling(next))) {
    MarkDirty(next, kDirtyStyleSubtree);
  }
}

void View::NoteAttributeChanged(Node* element, Atom name) {
  const SelectorDependencies& deps = style_->rules().dependencies();
  uint16_t bits = 0;
  if (name == kAtomStyle) bits |= kDirtyStyle;
  if (deps.attributes.count(name) != 0) bits |= kDirtyStyle;
  if (deps.attributesOnAncestors.count(name) != 0) bits |= kDirtyStyleSubtree;
  // Left of a + or ~ the element decides for its later siblings too.
  if ((bits & kDirtyStyleSubtree) != 0 && deps.siblings) MarkSiblingsDirty(element);
  bool descendants = false;
  if (IsPresentational(element->tag, name, &descendants)) bits |= descendants ? kDirtyStyleSubtree : kDirtyStyle;
  if (element->tag == kAtomImg && name == kAtomSrc) bits |= kDirtyLayout;
  if (name == kAtomColspan || name == kAtomRowspan || name == kAtomSpan) bits |= kDirtyLayout;
  if (element->tag == kAtomProgress && (name == kAtomValue || name == kAtomMax || name == kAtomMaxvalue)) {
    bits |= kDirtyPaint;
  }
  if ((element->tag == kAtomLink && (name == kAtomHref || name == kAtomRel || name == kAtomMedia)) ||
      (element->tag == kAtomStyle && name == kAtomMedia)) {
    NoteStyleSheetsChanged();
  }
  if (bits != 0) MarkDirty(element, bits);
}

void View::NoteChildrenChanged(Node* parent, Node* near) {
  MarkDirty(parent, kDirtyBoxChildren);
  // Which element comes after which has changed.
  if (style_->rules().dependencies().siblings) MarkDirty(parent, kDirtyStyleSubtree);
  if (style_->rules().dependencies().childPosition && near != nullptr) {
    // Only the neighbours of the change can become or stop being the first
    // or last child.
    if (Node* before = const_cast<Node*>(PreviousElementSibling(near))) MarkDirty(before, kDirtyStyle);
    if (Node* after = const_cast<Node*>(NextElementSibling(near))) MarkDirty(after, kDirtyStyle);
  }
}

void View::NoteStateChanged(Node* element, uint32_t changedBits) {
  const SelectorDependencies& deps = style_->rules().dependencies();
  if ((deps.states & changedBits) == 0) return;
  bool onLeft = (deps.statesOnAncestors & changedBits) != 0;
  MarkDirty(element, onLeft ? kDirtyStyleSubtree : kDirtyStyle);
  if (onLeft && deps.siblings) MarkSiblingsDirty(element);
}


// --- scrolling

bool View::GetScrollInfo(const Node* element, ScrollInfo* info) {
  *info = ScrollInfo();
  if (document_ == nullptr || DocumentOf(element) != document_.get()) return false;
  if (element == document_->root) {
    info->page = viewportHeight_;
    info->contentHeight = std::max(layout_.documentHeight, viewportHeight_);
    info->maxPosition = layout_.viewportScrollBar ? std::max(0, layout_.documentHeight - viewportHeight_) : 0;
    info->position = std::max(0, std::min(viewportScroll_, info->maxPosition));
    return true;
  }
  const Box* box = element->box;
  if (box == nullptr) return true;
  info->page = box->height + box->padding[kTop] + box->padding[kBottom];
  info->contentHeight = std::max(box->ScrollHeight(), info->page);
  bool scrolls = box->Is(kBoxVerticalScrollbar) || (box->style->ScrollsVertically() && box->IsBlockContainer());
  info->maxPosition = scrolls ? std::max(0, info->contentHeight - info->page) : 0;
  info->position = ScrollPositionOf(element, info->maxPosition);
  return true;
}

bool View::SetScrollPosition(const Node* element, int position) {
  if (document_ == nullptr || DocumentOf(element) != document_.get()) return false;
  position = std::max(0, position);
  if (element == document_->root) {
    viewportScroll_ = position;
  } else {
    scrollPositions_[element->handle] = position;
  }
  paintDirty_ = true;
  document_->dirty = true;
  return true;
}

bool View::ScrollBy(const Node* element, int delta) {
  ScrollInfo info;
  if (!GetScrollInfo(element, &info) || info.maxPosition == 0) return false;
  int position = std::max(0, std::min(info.maxPosition, info.position + delta));
  if (position == info.position) return true;
  return SetScrollPosition(element, position);
}

// --- mouse

ElementHandle View::RootElement() const {
  return document_ != nullptr && document_->root != nullptr ? document_->root->handle : 0;
}

ElementHandle View::ElementAt(Point point) {
  Update();
  HitResult hit = HitTest(hitRegions_, point);
  return hit.element;
}

int View::AttachHandler(ElementHandle element, MouseHandler handler) {
  int id = nextHandlerId_++;
  handlers_.push_back(HandlerEntry{id, element, std::move(handler)});
  return id;
}

void View::DetachHandler(int id) {
  handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(), [id](const HandlerEntry& h) { return h.id == id; }),
                  handlers_.end());
}

bool View::Dispatch(uint32_t command, ElementHandle target, const MouseEvent& event) {
  if (ResolveHandle(target) == nullptr) return false;
  uint32_t serial = documentSerial_;
  std::vector<ElementHandle> path;  // root first
  for (Node* n = ResolveHandle(target); n != nullptr; n = n->parent) path.push_back(n->handle);
  std::reverse(path.begin(), path.end());
  ElementHandle root = RootElement();
  bool handled = false;
  std::vector<HandlerEntry> snapshot = handlers_;
  // Calls the handlers of `element` (0: the view's own) for one phase;
  // false once the document has been replaced under the dispatch.
  auto call = [&](ElementHandle element, bool sinking) {
    for (const HandlerEntry& entry : snapshot) {
      if (entry.element != element) continue;
      if (serial != documentSerial_) return false;
      bool stillAttached = std::any_of(handlers_.begin(), handlers_.end(),
                                       [&](const HandlerEntry& h) { return h.id == entry.id; });
      if (!stillAttached) continue;
      ElementHandle current = element != 0 ? element : root;
      if (element != 0 && ResolveHandle(element) == nullptr) return true;  // deleted meanwhile
      MouseParams params;
      params.cmd = command | (sinking ? kSinking : 0) | (handled ? kHandled : 0);
      params.target = target;
      params.current = current;
      params.point = event.point;
      Rect rect;
      if (engine::GetElementRect(current, &rect)) params.pointInElement = Point{event.point.x - rect.x, event.point.y - rect.y};
      params.buttons = event.buttons;
      params.modifiers = event.modifiers;
      params.wheelDelta = event.wheelDelta;
      if (entry.handler(params)) handled = true;
    }
    return serial == documentSerial_;
  };
  if (!call(0, true)) return handled;
  for (ElementHandle element : path) {
    if (!call(element, true)) return handled;
  }
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    if (!call(*it, false)) return handled;
  }
  call(0, false);
  return handled;
}

void View::SetHover(ElementHandle target) {
  std::vector<ElementHandle> chain;
  for (Node* n = ResolveHandle(target); n != nullptr; n = n->parent) chain.push_back(n->handle);
  for (ElementHandle h : hoverChain_) {
    if (std::find(chain.begin(), chain.end(), h) != chain.end()) continue;
    if (Node* n = ResolveHandle(h)) {
      n->state &= uint8_t(~kStateHover);
      NoteStateChanged(n, kStateHover);
    }
  }
  for (ElementHandle h : chain) {
    if (std::find(hoverChain_.begin(), hoverChain_.end(), h) != hoverChain_.end()) continue;
    Node* n = ResolveHandle(h);
    n->state |= kStateHover;
    NoteStateChanged(n, kStateHover);
  }
  hoverChain_ = std::move(chain);
}

void View::SetActive(ElementHandle target) {
  for (ElementHandle h : activeChain_) {
    if (Node* n = ResolveHandle(h)) {
      n->state &= uint8_t(~kStateActive);
      NoteStateChanged(n, kStateActive);
    }
  }
  activeChain_.clear();
  for (Node* n = ResolveHandle(target); n != nullptr; n = n->parent) {
    n->state |= kStateActive;
    NoteStateChanged(n, kStateActive);
    activeChain_.push_back(n->handle);
  }
}

// Scroll bars belong to the engine: arrows and track scroll, the thumb drags.
bool View::HandleScrollBarMouse(const MouseEvent& event, const HitResult& hit) {
  if (scrollBarPressed_) {
    Node* owner = ResolveHandle(scrollBarOwner_);
    ScrollInfo info;
    if (owner == nullptr || !GetScrollInfo(owner, &info)) {
      scrollBarPressed_ = false;
      return false;
    }
    if (event.type == MouseEventType::kMove && scrollBarPart_ == ScrollBarPart::kThumb) {
      Rect bar;
      for (const HitRegion& r : hitRegions_) {
        if (r.scrollBar && r.element == scrollBarOwner_) bar = r.rect;
      }
      ScrollBarParts parts = ScrollBarPartsOf(bar, info.position, info.maxPosition, info.page);
      int travel = parts.track.height - parts.thumb.height;
      if (travel > 0) {
        int position = dragStartPosition_ + int(int64_t(event.point.y - dragStartY_) * info.maxPosition / travel);
        SetScrollPosition(owner, std::max(0, std::min(info.maxPosition, position)));
      }
    }
    if (event.type == MouseEventType::kUp || event.type == MouseEventType::kLeave) {
      scrollBarPressed_ = false;
      paintDirty_ = true;
    }
    return true;
  }
  ScrollBarPart part = ScrollBarPart::kNone;
  Node* owner = hit.scrollBar ? ResolveHandle(hit.element) : nullptr;
  ScrollInfo info;
  if (owner != nullptr && GetScrollInfo(owner, &info)) {
    part = ScrollBarPartAt(ScrollBarPartsOf(hit.rect, info.position, info.maxPosition, info.page), event.point);
  }
  ElementHandle ownerHandle = owner != nullptr ? owner->handle : 0;
  if (ownerHandle != scrollBarOwner_ || part != scrollBarPart_) {
    scrollBarOwner_ = ownerHandle;
    scrollBarPart_ = part;
    paintDirty_ = true;
  }
  if (owner == nullptr) return false;
  if (event.type == MouseEventType::kDown && (event.buttons & kMainButton) != 0) {
    switch (part) {
      case ScrollBarPart::kUpArrow: ScrollBy(owner, -options_.lineStep); break;
      case ScrollBarPart::kDownArrow: ScrollBy(owner, options_.lineStep); break;
      case ScrollBarPart::kTrackAbove: ScrollBy(owner, -std::max(1, info.page - options_.lineStep)); break;
      case ScrollBarPart::kTrackBelow: ScrollBy(owner, std::max(1, info.page - options_.lineStep)); break;
      case ScrollBarPart::kThumb:
        dragStartY_ = event.point.y;
        dragStartPosition_ = info.position;
        break;
      case ScrollBarPart::kNone: break;
    }
    scrollBarPressed_ = true;
    paintDirty_ = true;
  }
  return true;
}

MouseResult View::HandleMouse(const MouseEvent& event) {
  MouseResult result;
  if (document_ == nullptr) return result;
  // What changed before the event is repainted with what the event changes.
  result.damage = Update().damage;
  HitResult hit = event.type == MouseEventType::kLeave ? HitResult{} : HitTest(hitRegions_, event.point);
  if (HandleScrollBarMouse(event, hit)) {
    result.handled = true;
    result.damage = Union(result.damage, Update().damage);
    return result;
  }
  uint32_t serial = documentSerial_;
  ElementHandle target = hit.element;
  SetHover(target);
  if (target != hoverTarget_) {
    ElementHandle previous = hoverTarget_;
    hoverTarget_ = target;
    if (previous != 0) Dispatch(kMouseLeave, previous, event);
    if (serial == documentSerial_ && target != 0) Dispatch(kMouseEnter, target, event);
  }
  if (serial == documentSerial_) {
    switch (event.type) {
      case MouseEventType::kMove:
        result.handled = Dispatch(kMouseMove, target, event);
        break;
      case MouseEventType::kDown:
        SetActive(target);
        result.handled = Dispatch(kMouseDown, target, event);
        break;
      case MouseEventType::kUp:
        result.handled = Dispatch(kMouseUp, target, event);
        if (serial == documentSerial_) SetActive(0);
        break;
      case MouseEventType::kDoubleClick:
        result.handled = Dispatch(kMouseDoubleClick, target, event);
        break;
      case MouseEventType::kWheel: {
        result.handled = Dispatch(kMouseWheel, target, event);
        if (!result.handled && serial == documentSerial_) {
          // Not taken by a handler: scroll the nearest element that can.
          int delta = -event.wheelDelta * options_.wheelStep / 120;
          for (Node* n = ResolveHandle(target); n != nullptr; n = n->parent) {
            if (ScrollBy(n, delta)) {
              result.handled = true;
              break;
            }
          }
          if (!result.handled && document_ != nullptr && document_->root != nullptr && target == 0) {
            result.handled = ScrollBy(document_->root, delta);
          }
        }
        break;
      }
      case MouseEventType::kLeave:
        SetActive(0);
        break;
    }
  }
  if (serial != documentSerial_) {
    // A handler loaded another document: everything is new.
    Update();
    result.damage = Rect{0, 0, viewportWidth_, viewportHeight_};
    return result;
  }
  result.damage = Union(result.damage, Update().damage);
  if (Node* n = ResolveHandle(target)) {
    if (n->style != nullptr) result.cursor = n->style->cursor;
  }
  return result;
}

// --- element operations

namespace {

View* ViewOfNode(const Node* node) {
  Document* document = DocumentOf(node);
  return document != nullptr ? document->view : nullptr;
}

Atom AtomOfName(const char* name) {
  if (name == nullptr) return kAtomNone;
  return InternAtom(AsciiLowered(name));
}

void NoteRemoval(Node* node) {
  if (View* view = ViewOfNode(node)) {
    if (node->parent != nullptr) view->NoteChildrenChanged(node->parent, node);
    if (ChangesSheets(node, node->parent)) view->NoteStyleSheetsChanged();
  }
  ForgetBoxesOf(node);
}

// The box's border-box origin in view coordinates, before the scroll
// positions of the boxes it is in.
Point BoxOrigin(const Box* box, int viewportScroll) {
  Point p;
  const Box* b = box;
  while (b != nullptr) {
    p.x += b->x + b->relX;
    p.y += b->y + b->relY;
    Box* parent = LayoutParentOf(const_cast<Box*>(b));
    if (parent == nullptr) {
      if (b->style->position != Position::kFixed) p.y -= viewportScroll;
      break;
    }
    b = parent;
  }
  return p;
}

}  // namespace

int CountChildren(ElementHandle element) {
  Node* node = ResolveHandle(element);
  if (node == nullptr) return 0;
  return int(node->children.size() - node->blankChildren);
}

ElementHandle GetChild(ElementHandle element, int index) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || index < 0) return 0;
  const auto& children = node->children;
  if (node->blankChildren == 0) return size_t(index) < children.size() ? children[size_t(index)]->handle : 0;
  int seen = 0;
  for (const Node* child : children) {
    if (!IsApiChild(child)) continue;
    if (seen++ == index) return child->handle;
  }
  return 0;
}

ElementHandle GetParent(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr && node->parent != nullptr ? node->parent->handle : 0;
}

const char* GetElementType(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr ? NodeTypeName(node).c_str() : nullptr;
}

const char16_t* GetAttribute(ElementHandle element, const char* name) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || name == nullptr) return nullptr;
  Atom atom = FindAtom(name);
  return atom == kAtomNone ? nullptr : engine::GetAttribute(node, atom);
}

int CountAttributes(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr && node->IsElement() ? int(node->attributes.Count()) : 0;
}

bool GetAttributeAt(ElementHandle element, int index, const char** name, const char16_t** value) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || !node->IsElement() || index < 0 || size_t(index) >= node->attributes.Count()) return false;
  *name = AtomName(node->attributes.NameAt(size_t(index))).c_str();
  *value = node->attributes.ValueAt(size_t(index)).data();
  return true;
}

bool SetAttribute(ElementHandle element, const char* name, const char16_t* value) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || !node->IsElement() || name == nullptr || *name == '\0') return false;
  Atom atom = AtomOfName(name);
  if (value == nullptr) {
    if (!node->attributes.Remove(atom)) return true;
  } else {
    const char16_t* old = node->attributes.Find(atom);
    std::u16string_view text(value);
    if (old != nullptr && text == old) return true;  // no change, nothing to redo
    node->attributes.Set(atom, text);
  }
  if (View* view = ViewOfNode(node)) view->NoteAttributeChanged(node, atom);
  return true;
}

bool SetStyleProperty(ElementHandle element, const char* name, const char16_t* value) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || !node->IsElement() || name == nullptr) return false;
  std::string property = AsciiLowered(name);
  std::string text = value != nullptr ? Utf16ToUtf8(value) : std::string();
  std::vector<Declaration> parsed;
  if (!text.empty() && !ParseSingleProperty(property, text, &parsed)) return false;
  Document* document = DocumentOf(node);
  if (document == nullptr) return false;  // run-time styles live with a document
  // Keep one "name:value;" per property, the latest last.
  std::string& styles = document->runtimeStyles[node];
  std::string rebuilt;
  size_t at = 0;
  while (at < styles.size()) {
    size_t end = styles.find(';', at);
    if (end == std::string::npos) end = styles.size();
    std::string entry = styles.substr(at, end - at);
    if (entry.substr(0, entry.find(':')) != property && !entry.empty()) rebuilt += entry + ";";
    at = end + 1;
  }
  if (!text.empty()) rebuilt += property + ":" + text + ";";
  if (rebuilt == styles) return true;
  styles = rebuilt;
  if (styles.empty()) document->runtimeStyles.erase(node);
  MarkDirty(node, kDirtyStyle);
  return true;
}

bool SetInnerText(ElementHandle element, const char16_t* text, size_t length) {
  Node* node = ResolveHandle(element);
  if (node == nullptr) return false;
  std::u16string_view content(text != nullptr ? text : u"", text != nullptr ? length : 0);
  Document* document = DocumentOf(node);
  View* view = document != nullptr ? document->view : nullptr;
  if (node->IsText()) {
    SetNodeText(node, content);
    if (document != nullptr) MarkDirty(node, kDirtyLayout);
    if (view != nullptr && node->parent != nullptr && node->parent->tag == kAtomStyle) view->NoteStyleSheetsChanged();
    return true;
  }
  bool sheets = node->tag == kAtomStyle;
  while (!node->children.empty()) {
    Node* child = node->children.back();
    sheets = sheets || ContainsSheetSource(child);
    ForgetBoxesOf(child);
    DestroyNode(child);
  }
  if (!content.empty()) AppendChild(node, CreateTextNode(content));
  if (document != nullptr) {
    MarkDirty(node, kDirtyBoxChildren | kDirtyLayout);
    if (!node->children.empty()) MarkDirty(node->children.back(), kDirtyStyle);
    if (view != nullptr && sheets) view->NoteStyleSheetsChanged();
  }
  return true;
}

std::u16string GetInnerText(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr ? CollectText(node) : std::u16string();
}

ElementHandle CreateElement(const char* tag, const char16_t* text) {
  if (tag == nullptr || *tag == '\0') return 0;
  Node* node = CreateDetachedElement(AtomOfName(tag));
  if (text != nullptr && *text != 0) AppendChild(node, CreateTextNode(text));
  return node->handle;
}

bool InsertElement(ElementHandle element, ElementHandle parent, int index) {
  Node* node = ResolveHandle(element);
  Node* into = ResolveHandle(parent);
  if (node == nullptr || into == nullptr || !into->IsElement()) return false;
  if (IsAncestorOf(node, into)) return false;  // into itself or its own subtree
  Document* from = DocumentOf(node);
  Document* to = DocumentOf(into);
  if (from != nullptr && to != nullptr && from != to) return false;
  if (from != nullptr && from->root == node) return false;
  if (DepthOf(into) + 1 + SubtreeHeight(node) >= kMaxTreeDepth) return false;
  if (node->parent != nullptr) {
    NoteRemoval(node);
    RemoveFromParent(node);
  }
  // The position among all children of the index-th child the API counts.
  size_t raw = into->children.size();
  if (index >= 0 && into->blankChildren == 0) {
    raw = std::min(raw, size_t(index));
  } else if (index >= 0) {
    int seen = 0;
    for (size_t i = 0; i < into->children.size(); ++i) {
      if (!IsApiChild(into->children[i])) continue;
      if (seen++ == index) {
        raw = i;
        break;
      }
    }
  }
  InsertChild(into, node, raw);
  if (to != nullptr) {
    MarkDirty(node, kDirtyStyleSubtree);
    if (View* view = ViewOfNode(into)) {
      view->NoteChildrenChanged(into, node);
      if (ChangesSheets(node, into)) view->NoteStyleSheetsChanged();
    }
  }
  return true;
}

bool DeleteElement(ElementHandle element) {
  Node* node = ResolveHandle(element);
  if (node == nullptr) return false;
  Document* document = DocumentOf(node);
  NoteRemoval(node);
  if (document != nullptr && document->root == node && document->view != nullptr) {
    // The whole document goes: so do its boxes.
    document->view->DropBoxes();
  }
  DestroyNode(node);
  if (document != nullptr) document->dirty = true;
  return true;
}

uint32_t GetElementState(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr ? node->state : 0;
}

bool SetElementState(ElementHandle element, uint32_t set, uint32_t clear) {
  Node* node = ResolveHandle(element);
  if (node == nullptr || !node->IsElement()) return false;
  uint8_t before = node->state;
  node->state = uint8_t((node->state & ~(clear & kStateMask)) | (set & kStateMask));
  uint32_t changed = uint32_t(before ^ node->state);
  if (changed != 0) {
    if (View* view = ViewOfNode(node)) view->NoteStateChanged(node, changed);
  }
  return true;
}

bool GetElementRect(ElementHandle element, Rect* rect) {
  Node* node = ResolveHandle(element);
  if (node == nullptr) return false;
  View* view = ViewOfNode(node);
  if (view == nullptr) return false;
  ScrollInfo rootScroll;
  int viewportScroll = 0;
  Document* document = DocumentOf(node);
  if (document->root != nullptr && view->GetScrollInfo(document->root, &rootScroll)) {
    viewportScroll = rootScroll.position;
  }
  Box* box = node->box;
  if (box == nullptr) return false;
  auto scrolledOrigin = [&](const Box* b) {
    Point p = BoxOrigin(b, viewportScroll);
    // Scrolled content moves up by the scroll positions of its layout parents.
    for (Box* a = LayoutParentOf(const_cast<Box*>(b)); a != nullptr; a = LayoutParentOf(a)) {
      if (a->node != nullptr && (a->Is(kBoxVerticalScrollbar) || a->style->ScrollsVertically())) {
        ScrollInfo info;
        view->GetScrollInfo(a->node, &info);
        p.y -= info.position;
      }
    }
    return p;
  };
  if (box->type == BoxType::kInline || box->type == BoxType::kText || box->type == BoxType::kLineBreak) {
    // The union of the box's pieces on its lines.
    Box* container = box->parent;
    while (container != nullptr && container->type == BoxType::kInline) container = container->parent;
    if (container == nullptr || container->inlines == nullptr) return false;
    Rect area;
    for (const LineFragment& f : container->inlines->fragments()) {
      if (f.box == box) area = Union(area, Rect{f.x, f.y, std::max(f.width, 1), std::max(f.height, 1)});
    }
    Point origin = scrolledOrigin(container);
    *rect = Translated(area, origin.x, origin.y);
    return true;
  }
  Point origin = scrolledOrigin(box);
  *rect = Rect{origin.x, origin.y, box->BorderBoxWidth(), box->BorderBoxHeight()};
  return true;
}

bool GetScrollInfo(ElementHandle element, ScrollInfo* info) {
  Node* node = ResolveHandle(element);
  View* view = node != nullptr ? ViewOfNode(node) : nullptr;
  if (view == nullptr) return false;
  return view->GetScrollInfo(node, info);
}

bool SetScrollPosition(ElementHandle element, int position) {
  Node* node = ResolveHandle(element);
  View* view = node != nullptr ? ViewOfNode(node) : nullptr;
  if (view == nullptr) return false;
  return view->SetScrollPosition(node, position);
}

View* ViewOf(ElementHandle element) {
  Node* node = ResolveHandle(element);
  return node != nullptr ? ViewOfNode(node) : nullptr;
}

}  // namespace engine
