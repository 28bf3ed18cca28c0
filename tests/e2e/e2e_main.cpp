// End-to-end runner. Before any test: the prefix's http handler becomes the
// recorder program, so that shell opens of addresses are recorded instead of
// starting a browser.
#include <windows.h>

#include <gtest/gtest.h>

#include "e2e_fixture.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GetACP() != 1251) {
    std::fprintf(stderr, "ANSI code page is %u, the tests want 1251\n", GetACP());
    return 1;
  }
  harness::SetString(L"Software\\Classes\\http\\shell\\open\\command", L"",
                     e2e::Quote(e2e::SupportExe(L"recorder.exe")) + L" \"%1\"", HKEY_LOCAL_MACHINE);
  return RUN_ALL_TESTS();
}
