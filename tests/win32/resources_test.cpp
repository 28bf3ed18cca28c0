// The resources built into the programs: the Russian notification-area menu,
// the icons and the "asInvoker" manifest of both programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "resources/resource_ids.h"

namespace {

struct Module {
  explicit Module(const std::wstring& path)
      : handle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~Module() {
    if (handle != nullptr) FreeLibrary(handle);
  }
  HMODULE handle;
};

std::wstring Program(const wchar_t* name) { return harness::Join(ZARN_BUILD_DIR, name); }

TEST(Resources, TrayMenuIsRussianWithExactlyTheTwoItems) {
  Module wrapper(Program(L"ZarnWrapper.exe"));
  ASSERT_NE(wrapper.handle, nullptr);
  EXPECT_NE(FindResourceExW(wrapper.handle, MAKEINTRESOURCEW(4) /* RT_MENU */,
                            MAKEINTRESOURCEW(kTrayMenu), MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)),
            nullptr)
      << "menu 129 in language 1049";

  HMENU menu = LoadMenuW(wrapper.handle, MAKEINTRESOURCEW(kTrayMenu));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  wchar_t text[64] = {};
  GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"File");

  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 2);
  EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(kMenuAutostart));
  EXPECT_EQ(GetMenuItemID(popup, 1), static_cast<UINT>(kMenuExit));
  GetMenuStringW(popup, kMenuAutostart, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"\x0410\x0432\x0442\x043e\x0437\x0430\x043f\x0443\x0441\x043a");  // Автозапуск
  GetMenuStringW(popup, kMenuExit, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"\x0412\x044b\x0445\x043e\x0434");  // Выход
  EXPECT_EQ(GetMenuState(popup, kMenuAutostart, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(popup, kMenuExit, MF_BYCOMMAND) & MF_CHECKED, 0u);
  DestroyMenu(menu);
}

TEST(Resources, WrapperCarriesIcons107And108) {
  Module wrapper(Program(L"ZarnWrapper.exe"));
  ASSERT_NE(wrapper.handle, nullptr);
  for (int id : {kIconLarge, kIconSmall}) {
    EXPECT_NE(FindResourceW(wrapper.handle, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */),
              nullptr)
        << id;
  }
}

TEST(Resources, BothProgramsRequestAsInvoker) {
  for (const wchar_t* name : {L"ZarnWrapper.exe", L"ZarnLauncher.exe"}) {
    Module program(Program(name));
    ASSERT_NE(program.handle, nullptr);
    HRSRC found = FindResourceW(program.handle, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr) << harness::ToUtf8(name);
    const char* data = static_cast<const char*>(LockResource(LoadResource(program.handle, found)));
    std::string manifest(data, SizeofResource(program.handle, found));
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos)
        << harness::ToUtf8(name);
  }
}

}  // namespace
