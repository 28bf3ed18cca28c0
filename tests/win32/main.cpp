// Win32 test runner: checks that it runs in the test run's prefix under the
// expected ANSI code page before any test touches the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const char* expected = std::getenv("ZARN_EXPECT_ACP");
  UINT want = expected != nullptr ? static_cast<UINT>(std::atoi(expected)) : 1251;
  if (GetACP() != want) {
    std::fprintf(stderr, "ANSI code page is %u, the tests want %u (see tools/lib/wine-session.sh)\n",
                 GetACP(), want);
    return 1;
  }
  return RUN_ALL_TESTS();
}
