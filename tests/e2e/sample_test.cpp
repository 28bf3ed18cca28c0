// The sample game folders as a publisher ships them (gamefolder/), run by the
// real manager: both sample screens are drawn, and their screenshots are left
// in the build folder (sample-screen_reg.png, sample-screen_gamelist.png).
#include <windows.h>

#include <set>
#include <string>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::CopyTree;
using harness::Join;

// Distinct colours in a grid over the client area: a drawn screen has many,
// an empty or unpainted one has one or two.
size_t DistinctColours(E2ETest& test, HWND window) {
  std::set<uint32_t> colours;
  for (int y = 5; y < 512; y += 16) {
    for (int x = 5; x < 730; x += 16) colours.insert(test.ScreenPixel(window, x, y));
  }
  return colours.size();
}

TEST_F(E2ETest, SampleScreensAreDrawnAndPhotographed) {
  std::wstring sample = Join(ZARN_SOURCE_DIR, L"gamefolder");
  const wchar_t* games[] = {L"magic-garden", L"pirate-mahjong", L"star-bubbles"};
  for (const wchar_t* game : games) {
    std::wstring folder = Join(kRoot, game);
    CopyTree(Join(sample, L"common"), folder);
    CopyTree(Join(sample, std::wstring(L"games\\") + game), folder);
    CopyFileW(LauncherExe().c_str(), Join(folder, L"ZarnLauncher.exe").c_str(), FALSE);
    harness::SetString(std::wstring(harness::kProductKeyPath) + L"\\" + game, L"Dir", folder);
  }
  std::wstring folder = Join(kRoot, L"magic-garden");
  harness::Process manager = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")) + L" 101");
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  ASSERT_TRUE(harness::WaitUntil([&] { return DistinctColours(*this, window) > 20; }, 5000));
  Sleep(300);
  // Nothing covers it: where the shell shows its icons in a window of their
  // own (here, without a taskbar), that window comes up at the top left with
  // the icon, after the manager's window has been drawn.
  POINT corner = {5, 5};
  ClientToScreen(window, &corner);
  // The two windows come up in a race, and under load the shell's may be
  // the last to rise for a moment: the manager's must end on top.
  HWND top = nullptr;
  harness::WaitUntil(
      [&] {
        top = GetAncestor(WindowFromPoint(corner), GA_ROOT);
        return top == window;
      },
      3000);
  wchar_t topClass[64] = {};
  GetClassNameW(top, topClass, 64);
  EXPECT_EQ(top, window) << "covered by a window of class " << harness::ToUtf8(topClass) << ", \""
                         << harness::ToUtf8(harness::WindowText(top)) << "\"";
  EXPECT_TRUE(SaveScreenshot(window, Join(ZARN_BUILD_DIR, L"sample-screen_reg.png")));

  // "Мои игры" on the sample screen.
  ClickAt(window, 190, 410);
  Sleep(1000);
  EXPECT_GT(DistinctColours(*this, window), 20u);
  EXPECT_TRUE(SaveScreenshot(window, Join(ZARN_BUILD_DIR, L"sample-screen_gamelist.png")));
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
