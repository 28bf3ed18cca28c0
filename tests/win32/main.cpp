// Win32 test runner: checks that it runs in the test run's prefix under the
// expected ANSI code page before any test touches the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "harness.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const char* expected = std::getenv("ZARN_EXPECT_ACP");
  UINT want = expected != nullptr ? static_cast<UINT>(std::atoi(expected)) : 1251;
  if (GetACP() != want) {
    std::fprintf(stderr, "ANSI code page is %u, the tests want %u (see tools/lib/wine-session.sh)\n",
                 GetACP(), want);
    return 1;
  }
  // Shell opens of addresses go to the recorder, not to a browser.
  std::wstring recorder = harness::Join(ZARN_SUPPORT_DIR, L"recorder.exe");
  harness::SetString(L"Software\\Classes\\http\\shell\\open\\command", L"", L"\"" + recorder + L"\" \"%1\"",
                     HKEY_LOCAL_MACHINE);
  return RUN_ALL_TESTS();
}
