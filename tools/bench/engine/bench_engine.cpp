// Engine benchmark: how long the portable core takes for the manager's
// screens, and how much memory a 1,000-row game list costs. It uses the stub
// host (fixed metrics), so text measuring costs next to nothing here.
//
// Figures only mean something from an optimised build without sanitizers:
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
//         -DZARN_SANITIZE=OFF -DZARN_FUZZ=OFF && cmake --build build/bench --target engine_bench
//   build/bench/engine_bench
//
// Memory is counted by replacing operator new and delete in this program:
// the bytes asked for, and the bytes the C library holds for them (its block
// sizes, without its per-block bookkeeping).
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/game_list_rows.h"
#include "tests/engine/stub_host.h"
#include "ui/engine/text.h"
#include "ui/engine/view.h"

namespace {

// Counted only while gCounting is set (the counting itself costs time).
bool gCounting = false;
size_t gLiveRequested = 0;
size_t gLiveHeld = 0;
size_t gAllocations = 0;
size_t gLiveBlocks = 0;
// Each block carries its size in front of it.
constexpr size_t kHeader = 16;

void* Allocate(size_t size) {
  char* base = static_cast<char*>(std::malloc(size + kHeader));
  if (base == nullptr) throw std::bad_alloc();
  // The size, and whether it was counted, go in front of the block.
  reinterpret_cast<size_t*>(base)[0] = size;
  reinterpret_cast<size_t*>(base)[1] = gCounting;
  if (gCounting) {
    gLiveRequested += size;
    gLiveHeld += malloc_usable_size(base) - kHeader;
    ++gAllocations;
    ++gLiveBlocks;
  }
  return base + kHeader;
}

void Release(void* p) {
  if (p == nullptr) return;
  char* base = static_cast<char*>(p) - kHeader;
  if (reinterpret_cast<size_t*>(base)[1] != 0) {
    gLiveRequested -= reinterpret_cast<size_t*>(base)[0];
    gLiveHeld -= malloc_usable_size(base) - kHeader;
    --gLiveBlocks;
  }
  std::free(base);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

std::string ReadScreen(const char* name) {
  std::ifstream in(std::string(ZARN_ENGINE_SCREENS_DIR) + "/" + name, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double median, best, worst;
};

Stats Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return Stats{samples[samples.size() / 2], samples.front(), samples.back()};
}


ElementHandle FindById(View& view, const char* id) {
  std::u16string wanted = Utf8ToUtf16(id);
  std::vector<const Node*> pending{view.document()->root};
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    const char16_t* value = n->IsElement() ? n->attributes.Find(kAtomId) : nullptr;
    if (value != nullptr && wanted == value) return n->handle;
    for (const Node* c : n->children) pending.push_back(c);
  }
  return 0;
}

void BenchMainScreen() {
  std::string html = ReadScreen("main_screen.htm");
  std::vector<double> samples;
  size_t items = 0;
  for (int run = 0; run < 300; ++run) {
    StubHost host;
    Clock::time_point start = Clock::now();
    View view(&host);
    view.SetViewportSize(730, 512);
    view.LoadHtml(reinterpret_cast<const uint8_t*>(html.data()), html.size(), u"C:\\Games\\G\\html\\screen_reg.htm");
    view.Update();
    samples.push_back(Milliseconds(Clock::now() - start));
    items = view.displayList().items.size();
  }
  Stats s = Summarise(samples);
  std::printf("main screen 730x512 (%zu bytes, %zu display items): parse+cascade+layout+display list\n",
              html.size(), items);
  std::printf("  median %.3f ms   best %.3f ms   worst %.3f ms   (300 runs, goal <= 5 ms)\n", s.median, s.best,
              s.worst);

  // Changes on a loaded screen: a hover repaint and a progress step.
  StubHost host;
  View view(&host);
  view.SetViewportSize(730, 512);
  view.LoadHtml(reinterpret_cast<const uint8_t*>(html.data()), html.size(), u"C:\\Games\\G\\html\\screen_reg.htm");
  view.Update();
  SetStyleProperty(FindById(view, "progressdiv"), "visibility", u"visible");
  view.Update();
  ElementHandle progress = FindById(view, "progressbar");
  std::vector<double> hover, step;
  for (int run = 0; run < 300; ++run) {
    MouseEvent e;
    e.type = MouseEventType::kMove;
    e.point = run % 2 == 0 ? Point{40, 345} : Point{40, 470};
    Clock::time_point start = Clock::now();
    view.HandleMouse(e);
    hover.push_back(Milliseconds(Clock::now() - start));
    std::u16string value = Utf8ToUtf16(std::to_string(run % 100));
    start = Clock::now();
    SetAttribute(progress, "value", value.c_str());
    view.Update();
    step.push_back(Milliseconds(Clock::now() - start));
  }
  std::printf("  hover in/out of a button (restyle + repaint): median %.3f ms\n", Summarise(hover).median);
  std::printf("  progress value step (repaint only):          median %.3f ms\n", Summarise(step).median);
}

void BenchGameList() {
  std::string html = ReadScreen("game_list.htm");
  const int kRows = 1000;
  StubHost host;
  View view(&host);
  view.SetViewportSize(730, 512);
  view.LoadHtml(reinterpret_cast<const uint8_t*>(html.data()), html.size(), u"C:\\Games\\G\\html\\screen_gamelist.htm");
  view.Update();
  ElementHandle frame = FindById(view, "gamelistframe");

  size_t handlesBefore = LiveHandleCount();
  size_t requestedBefore = gLiveRequested, heldBefore = gLiveHeld, allocationsBefore = gAllocations;
  size_t blocksBefore = gLiveBlocks;
  gCounting = true;
  BuildGameList(frame, kRows, 1000);
  view.Update();
  // The host answers the thumbnail requests (here: not found).
  for (const auto& request : host.requests) view.DeliverImage(request.first, false);
  host.requests.clear();
  view.Update();
  gCounting = false;
  size_t elements = LiveHandleCount() - handlesBefore;
  size_t requested = gLiveRequested - requestedBefore, held = gLiveHeld - heldBefore;
  std::printf("game list of %d rows (%zu nodes: 12 elements and 1 text per row)\n", kRows, elements);
  size_t blocks = gLiveBlocks - blocksBefore;
  std::printf("  memory of the list (DOM, styles, boxes, layout, display list): %.2f MB held by malloc "
              "(%.2f MB asked for), %zu bytes per node, in %zu blocks (%zu allocations made on the way); "
              "with glibc's 8 bytes of bookkeeping per block %.2f MB (goal < 4 MB)\n",
              double(held) / (1024 * 1024), double(requested) / (1024 * 1024), held / elements, blocks,
              gAllocations - allocationsBefore, double(held + 8 * blocks) / (1024 * 1024));

  std::vector<double> rebuild, build, update;
  ScrollInfo info;
  for (int run = 0; run < 30; ++run) {
    GetScrollInfo(frame, &info);
    Clock::time_point start = Clock::now();
    BuildGameList(frame, kRows, 1000);
    Clock::time_point built = Clock::now();
    view.Update();
    Clock::time_point done = Clock::now();
    SetScrollPosition(frame, info.position + 500);
    view.Update();
    build.push_back(Milliseconds(built - start));
    update.push_back(Milliseconds(done - built));
    rebuild.push_back(Milliseconds(done - start));
  }
  Stats s = Summarise(rebuild);
  std::printf("  rebuild through the DOM operations and lay out: median %.2f ms   best %.2f ms   worst %.2f ms "
              "(30 runs, goal <= 30 ms)\n",
              s.median, s.best, s.worst);
  std::printf("    of which DOM operations %.2f ms, cascade+boxes+layout+display list %.2f ms\n",
              Summarise(build).median, Summarise(update).median);
  std::vector<double> scroll;
  for (int run = 0; run < 200; ++run) {
    MouseEvent wheel;
    wheel.type = MouseEventType::kWheel;
    wheel.point = Point{300, 200};
    wheel.wheelDelta = run % 40 < 20 ? -120 : 120;
    Clock::time_point start = Clock::now();
    view.HandleMouse(wheel);
    scroll.push_back(Milliseconds(Clock::now() - start));
  }
  std::printf("  wheel scroll of the list (repaint): median %.3f ms\n", Summarise(scroll).median);
}

}  // namespace

int main() {
  BenchMainScreen();
  BenchGameList();
  return 0;
}
