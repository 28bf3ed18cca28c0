// The folder of the launcher's path.
#include "core/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FolderOfPath, CutsAtTheLastBackslash) {
  struct {
    const char* path;
    bool ok;
    const char* folder;
  } cases[] = {
      {"C:\\Games\\Puzzle\\launcher.exe", true, "C:\\Games\\Puzzle"},
      {"C:\\Games\\Puzzle\\", true, "C:\\Games\\Puzzle"},
      {".\\launcher.exe", true, "."},
      {"C:\\launcher.exe", true, "C:\\"},
      {"C:\\", true, "C:\\"},
      {"\\\\server\\share\\game\\l.exe", true, "\\\\server\\share\\game"},
      {"launcher.exe", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    char folder[260] = "junk";
    EXPECT_EQ(FolderOfPath(c.path, folder, sizeof folder), c.ok) << c.path;
    EXPECT_STREQ(folder, c.folder) << c.path;
  }
}

TEST(FolderOfPath, RefusesAFolderThatDoesNotFit) {
  std::string path = "C:\\" + std::string(300, 'a') + "\\l.exe";
  char folder[260] = "junk";
  EXPECT_FALSE(FolderOfPath(path.c_str(), folder, sizeof folder));
  EXPECT_STREQ(folder, "");

  std::string fits = "C:\\" + std::string(256, 'b') + "\\l.exe";  // folder of 259 bytes
  EXPECT_TRUE(FolderOfPath(fits.c_str(), folder, sizeof folder));
  EXPECT_EQ(std::string(folder).size(), 259u);
}

}  // namespace
