// Command lines and folders that do not fit: no crash, no write past a
// buffer, a defined outcome.
#include <windows.h>

#include <string>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::Join;

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", ""};
const SampleGame kOther{L"other", 7, L"", L"", ""};

// A manager that cannot read its game folder has no configuration, so no
// installed game: it says so (with empty texts, having no strings either) and
// ends. It must read nothing from any other folder.
void ExpectEmptyNoGamesBox(const harness::Process& manager) {
  HWND box = harness::WaitForWindow(L"#32770", manager.id, 10000);
  ASSERT_NE(box, nullptr);
  harness::MessageBoxTexts texts = harness::ReadMessageBox(box);
  EXPECT_EQ(texts.caption, L"");
  EXPECT_EQ(texts.text, L"");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(harness::WaitExit(manager, 10000), 0u);
}

TEST_F(E2ETest, LauncherPathLongerThanAPathIsRefusedWithoutOverrun) {
  MakeGameFolder(kGarden);
  // The current directory holds a valid game folder: a manager that cut the
  // path and fell back to it would find games there.
  std::wstring path = Join(kRoot, std::wstring(300, L'a') + L"\\ZarnLauncher.exe");
  harness::Process manager = StartManager(Quote(path) + L" 101", Join(kRoot, L"garden"));
  ExpectEmptyNoGamesBox(manager);
}

TEST_F(E2ETest, GameFolderThatCannotBeEnteredReadsNothingElse) {
  MakeGameFolder(kGarden);
  harness::Process manager =
      StartManager(Quote(Join(kRoot, L"missing\\ZarnLauncher.exe")) + L" 101", Join(kRoot, L"garden"));
  ExpectEmptyNoGamesBox(manager);
}

TEST_F(E2ETest, LongGameIdsAreCutAndReadByTheirLeadingDigits) {
  std::wstring folder = MakeGameFolder(kGarden);
  MakeGameFolder(kOther);
  struct {
    std::wstring argument;
    DWORD selected;
  } cases[] = {
      {L"7" + std::wstring(200, L'x'), 7},
      {std::wstring(100, L'9'), 101},  // beyond any id: the first game
      {L"OpenUrl" + std::wstring(100, L'x'), 101},  // not the site mode: id 0
  };
  for (const auto& c : cases) {
    harness::Process manager = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")) + L" " + c.argument);
    HWND window = WaitForMainWindow(manager);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    EXPECT_EQ(LastId(), c.selected) << c.argument.size();
    EXPECT_EQ(RequestExit(manager), 0u);
  }
  EXPECT_TRUE(RecordedOpens().empty());
}

}  // namespace
}  // namespace e2e
