// The resources built into the programs: the Russian notification-area menu,
// the icons, the news pop-up's bitmaps and the "asInvoker" manifest of both
// programs.
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

// Each bitmap at its size with 8 bits per pixel; pure red, the pop-up's
// colour key, only in the backgrounds' corners.
TEST(Resources, WrapperCarriesThePopUpsSkin) {
  Module wrapper(Program(L"ZarnWrapper.exe"));
  ASSERT_NE(wrapper.handle, nullptr);
  struct {
    int id;
    LONG width, height;
    bool keyed;
  } bitmaps[] = {
      {kPopupBackground, 250, 200, true}, {kPopupBackgroundClose, 250, 200, true},
      {kPopupButton, 114, 57, false},     {kPopupButtonHover, 114, 57, false},
      {kPopupWide, 228, 56, false},       {kPopupWideHover, 228, 56, false},
  };
  for (const auto& b : bitmaps) {
    SCOPED_TRACE(b.id);
    HRSRC found = FindResourceW(wrapper.handle, MAKEINTRESOURCEW(b.id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(wrapper.handle, found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, b.width);
    EXPECT_EQ(header->biHeight, b.height) << "bottom-up";
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    // Which pixels are pure red, through the palette.
    const auto* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
    DWORD colours = header->biClrUsed != 0 ? header->biClrUsed : 256;
    const BYTE* rows = reinterpret_cast<const BYTE*>(palette + colours);
    LONG stride = (b.width + 3) & ~3;
    auto isKey = [&](LONG x, LONG y) {
      const RGBQUAD& c = palette[rows[(b.height - 1 - y) * stride + x]];
      return c.rgbRed == 255 && c.rgbGreen == 0 && c.rgbBlue == 0;
    };
    int keyed = 0, keyedInside = 0;
    for (LONG y = 0; y < b.height; ++y) {
      for (LONG x = 0; x < b.width; ++x) {
        if (!isKey(x, y)) continue;
        ++keyed;
        bool corner = (x < 12 || x >= b.width - 12) && (y < 12 || y >= b.height - 12);
        keyedInside += corner ? 0 : 1;
      }
    }
    EXPECT_EQ(keyedInside, 0) << "pure red outside the corners";
    if (b.keyed) {
      EXPECT_TRUE(isKey(0, 0) && isKey(b.width - 1, 0) && isKey(0, b.height - 1) && isKey(b.width - 1, b.height - 1))
          << "rounded corners";
    } else {
      EXPECT_EQ(keyed, 0);
    }
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
