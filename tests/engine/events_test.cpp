// Hit testing and mouse events: the element under the mouse in painting
// order (z-index, clipping, scrolling, visibility), hover and active states,
// and dispatch to handlers (sinking then bubbling, the handled bit).
#include <gtest/gtest.h>

#include "tests/engine/test_util.h"
#include "ui/engine/text.h"

namespace engine {
namespace {

std::string IdAt(Rendered& r, int x, int y) {
  ElementHandle h = r.view->ElementAt(Point{x, y});
  const char16_t* id = GetAttribute(h, "id");
  if (id != nullptr) return Utf16ToUtf8(id);
  const char* type = GetElementType(h);
  return type != nullptr ? type : "(nothing)";
}

TEST(HitTest, FindsTheDeepestElementInPaintingOrder) {
  Rendered r(
      "<body style='margin:0'>"
      "<div id=outer style='height:100px'><div id=inner style='margin-left:10px;width:50px;height:20px'></div>"
      "<p id=p style='margin:0'>ab <b id=b>cd</b></p></div>"
      "<div id=low style='position:absolute;left:200px;top:0;width:50px;height:50px;z-index:1'></div>"
      "<div id=high style='position:absolute;left:220px;top:10px;width:50px;height:50px;z-index:2'></div>"
      "<div id=neg style='position:absolute;left:300px;top:150px;width:50px;height:50px;z-index:-1'></div>"
      "<div id=under style='position:absolute;left:0;top:0;width:50px;height:50px;z-index:-1'></div>"
      "<div id=flow style='position:absolute;left:290px;top:0;width:30px;height:30px'></div>"
      "<div id=hidden style='position:absolute;left:400px;top:150px;width:50px;height:50px;visibility:hidden'>"
      "<div id=shown style='visibility:visible;width:10px;height:10px'></div></div>");
  EXPECT_EQ(IdAt(r, 5, 5), "outer");
  EXPECT_EQ(IdAt(r, 15, 5), "inner");
  EXPECT_EQ(IdAt(r, 2, 25), "p");        // on the text "ab"
  EXPECT_EQ(IdAt(r, 30, 25), "b");       // on the text of <b>
  EXPECT_EQ(IdAt(r, 100, 25), "p");      // the line's empty end belongs to the block
  EXPECT_EQ(IdAt(r, 215, 5), "low");
  EXPECT_EQ(IdAt(r, 230, 20), "high");   // z-index 2 over 1
  EXPECT_EQ(IdAt(r, 295, 5), "flow");
  EXPECT_EQ(IdAt(r, 325, 155), "neg");       // below the blocks: found
  EXPECT_EQ(IdAt(r, 5, 45), "outer");        // negative z-index paints under the blocks
  EXPECT_EQ(IdAt(r, 420, 170), "(nothing)");  // hidden is not hit...
  EXPECT_EQ(IdAt(r, 405, 155), "shown");      // ...but its visible child is
  EXPECT_EQ(IdAt(r, 700, 400), "(nothing)");
}

// A ::before or ::after box is part of its element, also where it lies
// outside the element's own box.
TEST(HitTest, GeneratedBoxesBelongToTheirElement) {
  Rendered r(
      "<style>#btn:after { content: 'x'; position: absolute; left: 300px; top: 300px; width: 20px; height: 20px }"
      "#tag:before { content: 'NEW'; display: inline-block; width: 40px }</style>"
      "<body style='margin:0'><div id=btn style='width:50px;height:20px'></div>"
      "<p id=p style='margin:0'>a <span id=tag>b</span></p>");
  EXPECT_EQ(IdAt(r, 305, 305), "btn");
  EXPECT_EQ(IdAt(r, 5, 5), "btn");
  EXPECT_EQ(IdAt(r, 30, 25), "tag");  // on the inline block of ::before
  EXPECT_EQ(IdAt(r, 400, 400), "(nothing)");
}

TEST(HitTest, HonoursClippingAndScrolling) {
  Rendered r(
      "<body style='margin:0'>"
      "<div id=clip style='width:100px;height:50px;overflow:hidden'>"
      "<div id=wide style='width:300px;height:20px'></div></div>"
      "<div id=list style='height:60px;overflow:auto'>"
      "<div id=row1 style='height:40px'></div><div id=row2 style='height:40px'></div>"
      "<div id=row3 style='height:40px'></div></div>");
  EXPECT_EQ(IdAt(r, 50, 10), "wide");
  EXPECT_EQ(IdAt(r, 150, 10), "body");  // the wide child is clipped away
  EXPECT_EQ(IdAt(r, 10, 55), "row1");
  EXPECT_EQ(IdAt(r, 10, 95), "row2");
  ASSERT_TRUE(SetScrollPosition(r.ById("list"), 40));
  EXPECT_EQ(IdAt(r, 10, 55), "row2");
  EXPECT_EQ(IdAt(r, 10, 95), "row3");
  EXPECT_EQ(IdAt(r, 10, 115), "(nothing)");  // below the scroller
}

TEST(HitTest, ClipRectCutsClicksToo) {
  Rendered r(
      "<body style='margin:0'><div id=under style='height:100px'></div>"
      "<div id=cut style='position:absolute;left:0;top:0;width:100px;height:100px;clip:rect(10px,60px,60px,10px)'>"
      "<div id=inner style='height:100px'></div></div>");
  EXPECT_EQ(IdAt(r, 30, 30), "inner");
  EXPECT_EQ(IdAt(r, 5, 30), "under");   // left of the clip
  EXPECT_EQ(IdAt(r, 30, 80), "under");  // below it
}

// Records every handler call as "where:command[s][h]".
struct Recorder {
  std::vector<std::string> calls;
  MouseHandler Make(const std::string& where, bool handles = false) {
    return [this, where, handles](const MouseParams& p) {
      std::string call = where + ":" + std::to_string(p.cmd & 0xFF);
      if (p.cmd & kSinking) call += "s";
      if (p.cmd & kHandled) call += "h";
      calls.push_back(call);
      return handles;
    };
  }
  std::string Joined() const {
    std::string out;
    for (const std::string& c : calls) out += (out.empty() ? "" : " ") + c;
    return out;
  }
};

MouseEvent Event(MouseEventType type, int x, int y, uint32_t buttons = kMainButton) {
  MouseEvent e;
  e.type = type;
  e.point = Point{x, y};
  e.buttons = buttons;
  return e;
}

TEST(MouseDispatch, SinksFromTheRootThenBubblesBack) {
  Rendered r("<body style='margin:0'><div id=outer><p id=inner style='margin:0;height:20px'>x</p></div>");
  Recorder rec;
  r.view->AttachHandler(0, rec.Make("window"));
  r.view->AttachHandler(r.ById("outer"), rec.Make("outer"));
  r.view->AttachHandler(r.ById("inner"), rec.Make("inner"));
  r.view->HandleMouse(Event(MouseEventType::kMove, 30, 5, 0));  // enter, then move
  rec.calls.clear();
  r.view->HandleMouse(Event(MouseEventType::kDown, 30, 5));
  EXPECT_EQ(rec.Joined(), "window:4s outer:4s inner:4s inner:4 outer:4 window:4");
}

TEST(MouseDispatch, HandledBitIsSetForEveryoneAfterTheHandler) {
  Rendered r("<body style='margin:0'><div id=outer><p id=inner style='margin:0;height:20px'>x</p></div>");
  Recorder rec;
  r.view->AttachHandler(0, rec.Make("window"));
  r.view->AttachHandler(r.ById("outer"), rec.Make("outer", true));
  r.view->AttachHandler(r.ById("inner"), rec.Make("inner"));
  r.view->HandleMouse(Event(MouseEventType::kMove, 30, 5, 0));
  rec.calls.clear();
  MouseResult result = r.view->HandleMouse(Event(MouseEventType::kUp, 30, 5));
  EXPECT_TRUE(result.handled);
  // outer handles while sinking: from then on every call carries the bit,
  // so only an unhandled bubbling call sees exactly 3.
  EXPECT_EQ(rec.Joined(), "window:3s outer:3s inner:3sh inner:3h outer:3h window:3h");
}

// The click rule of the screens: a press and release of the main button on
// the same element that has an id, seen as exactly 4 then exactly 3.
TEST(MouseDispatch, AClickIsDownAndUpOnOneElement) {
  Rendered r("<body style='margin:0'><div id=play style='height:20px'>Play <b>now</b></div>"
             "<div id=other style='height:20px'></div>");
  std::vector<std::string> clicks;
  std::u16string pressed;
  r.view->AttachHandler(0, [&](const MouseParams& p) {
    if (p.cmd != kMouseDown && p.cmd != kMouseUp) return false;
    ElementHandle target = p.target;
    if (std::string(GetElementType(target)) == "text") target = GetParent(target);
    const char16_t* id = GetAttribute(target, "id");
    if (p.cmd == kMouseDown && (p.buttons & kMainButton)) pressed = id != nullptr ? id : u"";
    if (p.cmd == kMouseUp && id != nullptr && pressed == id) clicks.push_back(Utf16ToUtf8(id));
    return true;
  });
  r.view->HandleMouse(Event(MouseEventType::kDown, 5, 5));
  r.view->HandleMouse(Event(MouseEventType::kUp, 100, 5));  // same element, elsewhere on it
  r.view->HandleMouse(Event(MouseEventType::kDown, 5, 5));
  r.view->HandleMouse(Event(MouseEventType::kUp, 5, 25));   // released on another element
  r.view->HandleMouse(Event(MouseEventType::kDown, 45, 5));  // on <b>, which has no id
  r.view->HandleMouse(Event(MouseEventType::kUp, 45, 5));
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], "play");
}

TEST(MouseDispatch, EnterAndLeaveFollowTheMouse) {
  Rendered r("<body style='margin:0'><div id=a style='height:20px'></div><div id=b style='height:20px'></div>");
  Recorder rec;
  r.view->AttachHandler(r.ById("a"), rec.Make("a"));
  r.view->AttachHandler(r.ById("b"), rec.Make("b"));
  r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0));
  r.view->HandleMouse(Event(MouseEventType::kMove, 6, 6, 0));
  r.view->HandleMouse(Event(MouseEventType::kMove, 5, 25, 0));
  r.view->HandleMouse(Event(MouseEventType::kLeave, 0, 0, 0));
  EXPECT_EQ(rec.Joined(), "a:0s a:0 a:2s a:2 a:2s a:2 a:1s a:1 b:0s b:0 b:2s b:2 b:1s b:1");
}

TEST(MouseDispatch, SurvivesHandlersThatChangeTheDocument) {
  Rendered r("<body style='margin:0'><div id=outer style='height:40px'><p id=inner style='margin:0;height:20px'>x</p>"
             "</div>");
  Recorder rec;
  ElementHandle inner = r.ById("inner");
  r.view->AttachHandler(0, rec.Make("window"));
  r.view->AttachHandler(inner, [&](const MouseParams& p) {
    rec.calls.push_back("inner:" + std::to_string(p.cmd & 0xFF) + ((p.cmd & kSinking) ? "s" : ""));
    if (p.cmd == (kMouseDown | kSinking)) DeleteElement(p.current);  // deletes itself
    return false;
  });
  r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0));
  rec.calls.clear();
  r.view->HandleMouse(Event(MouseEventType::kDown, 5, 5));
  EXPECT_EQ(rec.Joined(), "window:4s inner:4s window:4");
  // A handler that replaces the document ends the dispatch.
  r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0));  // now over outer
  rec.calls.clear();
  r.view->AttachHandler(r.ById("outer"), [&](const MouseParams&) {
    r.view->LoadHtml(u"<p>new</p>", u"C:\\screens\\new.htm");
    return true;
  });
  r.view->HandleMouse(Event(MouseEventType::kUp, 5, 5));
  EXPECT_EQ(rec.Joined(), "window:3s");
  EXPECT_EQ(CountChildren(r.Root()), 2);
  r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0));  // the new document works
}

TEST(MouseStates, HoverAndActiveRestyleOnlyWhatChanges) {
  Rendered r(
      "<style>.btn { background: gray } .btn:hover { background: blue } .btn:active { background: red }</style>"
      "<body style='margin:0'><div id=a class=btn style='width:50px;height:20px'></div>"
      "<div id=b class=btn style='width:50px;height:20px'></div>");
  MouseResult moved = r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0));
  EXPECT_EQ(GetElementState(r.ById("a")) & kStateHover, kStateHover);
  EXPECT_EQ(GetElementState(r.Root()) & kStateHover, kStateHover);  // ancestors hover too
  EXPECT_EQ(FormatColor(r.NodeById("a")->style->backgroundColor), "#0000ff");
  EXPECT_EQ(moved.damage, (Rect{0, 0, 50, 20}));  // only the button repaints
  EXPECT_EQ(r.view->layoutContext().stats.boxesLaidOut, 0);  // a paint-only change
  r.view->HandleMouse(Event(MouseEventType::kDown, 5, 5));
  EXPECT_EQ(FormatColor(r.NodeById("a")->style->backgroundColor), "#ff0000");
  MouseResult up = r.view->HandleMouse(Event(MouseEventType::kUp, 5, 25));
  EXPECT_EQ(GetElementState(r.ById("a")), 0u);
  EXPECT_EQ(FormatColor(r.NodeById("a")->style->backgroundColor), "#808080");
  EXPECT_EQ(FormatColor(r.NodeById("b")->style->backgroundColor), "#0000ff");
  EXPECT_EQ(up.damage, (Rect{0, 0, 50, 40}));
  MouseResult still = r.view->HandleMouse(Event(MouseEventType::kMove, 6, 25, 0));
  EXPECT_TRUE(still.damage.IsEmpty());
}

TEST(MouseStates, CursorComesFromTheElementUnderTheMouse) {
  Rendered r("<body style='margin:0'><a id=a href=x>link</a><div style='cursor:hand;height:20px'>h</div>");
  EXPECT_EQ(r.view->HandleMouse(Event(MouseEventType::kMove, 5, 5, 0)).cursor, Cursor::kPointer);
  EXPECT_EQ(r.view->HandleMouse(Event(MouseEventType::kMove, 5, 25, 0)).cursor, Cursor::kPointer);
  EXPECT_EQ(r.view->HandleMouse(Event(MouseEventType::kMove, 5, 60, 0)).cursor, Cursor::kDefault);
}

TEST(MouseScrolling, WheelAndScrollBarScrollTheElement) {
  Rendered r("<body style='margin:0'><div id=list style='width:200px;height:100px;overflow:auto'>"
             "<div style='height:500px'></div></div>");
  ElementHandle list = r.ById("list");
  ScrollInfo info;
  MouseEvent wheel = Event(MouseEventType::kWheel, 50, 50, 0);
  wheel.wheelDelta = -120;  // one notch towards the user: down
  EXPECT_TRUE(r.view->HandleMouse(wheel).handled);
  GetScrollInfo(list, &info);
  EXPECT_EQ(info.position, 48);
  // The down arrow at the bottom of the bar, then the track below the thumb.
  r.view->HandleMouse(Event(MouseEventType::kDown, 190, 95));
  r.view->HandleMouse(Event(MouseEventType::kUp, 190, 95));
  GetScrollInfo(list, &info);
  EXPECT_EQ(info.position, 64);
  r.view->HandleMouse(Event(MouseEventType::kDown, 190, 80));
  r.view->HandleMouse(Event(MouseEventType::kUp, 190, 80));
  GetScrollInfo(list, &info);
  EXPECT_EQ(info.position, 148);
  // Dragging the thumb: the track is 68px, the thumb 13px, so 55px of travel
  // cover 400px of content.
  ScrollBarParts parts = ScrollBarPartsOf(Rect{184, 0, 16, 100}, info.position, info.maxPosition, info.page);
  int y = parts.thumb.y + 2;
  r.view->HandleMouse(Event(MouseEventType::kDown, 190, y));
  r.view->HandleMouse(Event(MouseEventType::kMove, 190, y + 11));
  r.view->HandleMouse(Event(MouseEventType::kUp, 190, y + 11));
  GetScrollInfo(list, &info);
  EXPECT_EQ(info.position, 148 + 11 * 400 / 55);
  // Scroll bar clicks are the engine's: no element handler hears them.
  Recorder rec;
  r.view->AttachHandler(0, rec.Make("window"));
  r.view->HandleMouse(Event(MouseEventType::kDown, 190, 5));
  r.view->HandleMouse(Event(MouseEventType::kUp, 190, 5));
  EXPECT_EQ(rec.Joined(), "");
}

}  // namespace
}  // namespace engine

namespace engine {
namespace {

TEST(MouseScrolling, ATallDocumentScrollsTheViewButNotFixedElements) {
  Rendered r("<body style='margin:0'><div id=top style='height:300px'></div><div id=low style='height:300px'></div>"
             "<div id=fixed style='position:fixed;left:0;top:0;width:20px;height:20px'></div>",
             200, 200);
  ScrollInfo info;
  ASSERT_TRUE(GetScrollInfo(r.Root(), &info));
  EXPECT_EQ(info.page, 200);
  EXPECT_EQ(info.contentHeight, 600);
  EXPECT_EQ(info.maxPosition, 400);
  EXPECT_NE(r.Display().find("scrollbar 184,0 16x200 position=0 max=400 page=200"), std::string::npos);
  EXPECT_EQ(IdAt(r, 50, 150), "top");
  MouseEvent wheel = Event(MouseEventType::kWheel, 50, 150, 0);
  wheel.wheelDelta = -3 * 120;
  r.view->HandleMouse(wheel);
  ASSERT_TRUE(GetScrollInfo(r.Root(), &info));
  EXPECT_EQ(info.position, 144);
  EXPECT_EQ(IdAt(r, 50, 170), "low");   // 170 + 144 is past the first 300px
  EXPECT_EQ(IdAt(r, 5, 5), "fixed");    // still at the top of the view
  Rect rect;
  ASSERT_TRUE(GetElementRect(r.ById("low"), &rect));
  EXPECT_EQ(rect, (Rect{0, 156, 184, 300}));
  ASSERT_TRUE(GetElementRect(r.ById("fixed"), &rect));
  EXPECT_EQ(rect, (Rect{0, 0, 20, 20}));
}

TEST(MouseScrolling, ElementRectsFollowScrolledContainers) {
  Rendered r("<body style='margin:0'><div id=list style='margin-top:10px;height:50px;overflow:auto'>"
             "<div style='height:40px'></div><p id=p style='margin:0'>text <b id=b>bold</b></p>"
             "<div style='height:100px'></div></div>");
  Rect rect;
  ASSERT_TRUE(GetElementRect(r.ById("b"), &rect));
  EXPECT_EQ(rect, (Rect{40, 51, 36, 16}));
  ASSERT_TRUE(SetScrollPosition(r.ById("list"), 30));
  r.view->Update();
  ASSERT_TRUE(GetElementRect(r.ById("b"), &rect));
  EXPECT_EQ(rect, (Rect{40, 21, 36, 16}));
  EXPECT_EQ(IdAt(r, 45, 25), "b");
}

}  // namespace
}  // namespace engine
