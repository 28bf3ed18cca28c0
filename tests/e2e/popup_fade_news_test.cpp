// News that comes while the pop-up fades out is not lost with it: the pop-up
// stays, at full opacity, with the new message. (A download that fails or an
// installer that ends right after the user clicked the news pop-up sends its
// news within that fade.)
#include <windows.h>

#include "download_fixture.h"
#include "popup_look.h"

namespace e2e {
namespace {

constexpr UINT kShowNews = WM_USER + 17;  // lParam: pop-up kind
constexpr wchar_t kPopupClass[] = L"infoname";
constexpr POINT kCloseSpot = {234, 14};

TEST_F(E2ETest, NewsThatComesWhileThePopUpFadesOutIsShown) {
  std::wstring folder = MakeGameFolder(kServedGarden);
  harness::Process manager = StartManager(Quote(harness::Join(folder, L"ZarnLauncher.exe")) + L" 101");
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  auto sendNews = [&] {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, kShowNews, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  };
  sendNews();
  HWND popup = harness::WaitForWindow(kPopupClass, manager.id, 5000);
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return harness::LayeredAlpha(popup) == 255; }, 3000));

  ClickAt(popup, kCloseSpot.x, kCloseSpot.y);
  ASSERT_TRUE(harness::WaitUntil([&] { return harness::LayeredAlpha(popup) < 255; }, 3000)) << "it fades out";
  sendNews();
  EXPECT_TRUE(harness::WaitUntil(
      [&] {
        for (HWND shown : harness::TopLevelWindows(manager.id, kPopupClass)) {
          if (harness::LayeredAlpha(shown) == 255 && IsWindowVisible(shown)) return true;
        }
        return false;
      },
      3000))
      << "the news is shown";
  Sleep(1000);
  EXPECT_FALSE(harness::TopLevelWindows(manager.id, kPopupClass).empty()) << "and stays";
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
