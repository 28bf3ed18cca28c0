// The installed-games table from the registry and the game folders, and the
// selection of the current game.
#include "config/game_catalogue.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/game_table.h"
#include "config/product_config.h"
#include "core/app_state.h"
#include "core/text.h"
#include "harness.h"

namespace {

using harness::GameFixture;
using harness::Join;

const std::wstring kRoot = L"C:\\zarn-tests\\games";

class GameCatalogueTest : public testing::Test {
 protected:
  void SetUp() override {
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    harness::RemoveTree(kRoot);
    harness::MakeDirs(Join(kRoot, L"launcher"));
    harness::WriteWrapperConfig(Join(kRoot, L"launcher"));
    WideToAnsi(Join(kRoot, L"launcher").c_str(), App().gameFolder);
    LoadWrapperConfig();
  }
  void TearDown() override {
    ClearInstalledGames();
    SetCurrentDirectoryW(L"C:\\");
    harness::RemoveTree(kRoot);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
  }
  static GameFixture Game(const wchar_t* subkey, int id, const std::wstring& name = L"") {
    GameFixture game;
    game.subkey = subkey;
    game.folder = Join(kRoot, subkey);
    game.settings = harness::SettingsText(id, name, L"http://site/" + std::to_wstring(id) + L"?",
                                          L"p" + std::to_wstring(id));
    return game;
  }
  static std::vector<std::string> Ids() {
    std::vector<std::string> ids;
    for (const GameRecord& game : InstalledGames()) ids.push_back(game.productId);
    return ids;
  }
};

TEST_F(GameCatalogueTest, TableFollowsTheRegistryOrderAndSkipsIncompleteGames) {
  // Registry enumeration order is by name, not by creation.
  harness::InstallGame(Game(L"c-game", 3));
  harness::InstallGame(Game(L"a-game", 1));
  GameFixture noDir = Game(L"b-nodir", 2);
  noDir.writeDir = false;
  harness::InstallGame(noDir);
  GameFixture noSettings = Game(L"d-nosettings", 4);
  noSettings.writeSettings = false;
  harness::InstallGame(noSettings);
  GameFixture missingFolder = Game(L"e-missing", 5);
  harness::InstallGame(missingFolder);
  harness::RemoveTree(missingFolder.folder);
  GameFixture tooShort = Game(L"f-short", 6);
  tooShort.settings = L"";
  tooShort.header = "\x01";
  harness::InstallGame(tooShort);
  harness::InstallGame(Game(L"g-game", 7));

  ScanInstalledGames();
  EXPECT_EQ(Ids(), (std::vector<std::string>{"1", "3", "7"}));
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_STREQ(current, App().gameFolder) << "the game folder is current again after the walk";
}

TEST_F(GameCatalogueTest, RecordTakesAffiliateFileOverIdpostfixAndNamerusOverProductname) {
  GameFixture withAffiliate = Game(L"a", 11, L"\x0421\x0430\x0434");  // Сад
  withAffiliate.writeAffiliate = true;
  withAffiliate.affiliate = "4711\r\n";
  harness::InstallGame(withAffiliate);
  GameFixture noName = Game(L"b", 12);
  harness::InstallGame(noName);

  ScanInstalledGames();
  std::vector<GameRecord> games = InstalledGames();
  ASSERT_EQ(games.size(), 2u);
  EXPECT_EQ(games[0].partnerCode, "4711\r\n");
  EXPECT_EQ(games[0].displayName, "\xd1\xe0\xe4");
  EXPECT_EQ(games[0].folder, harness::ToCodePage(withAffiliate.folder, 1251));
  EXPECT_EQ(games[1].partnerCode, "p12");
  EXPECT_EQ(games[1].displayName, "Game 12");
}

TEST_F(GameCatalogueTest, MissingKeyGivesAnEmptyTable) {
  harness::InstallGame(Game(L"a", 1));
  ScanInstalledGames();
  ASSERT_EQ(InstalledGameCount(), 1u);
  harness::DeleteKeyTree(harness::kCompanyKeyPath);
  ScanInstalledGames();
  EXPECT_EQ(InstalledGameCount(), 0u);
}

TEST_F(GameCatalogueTest, DirTooLongForAPathIsSkipped) {
  GameFixture game = Game(L"a", 1);
  harness::InstallGame(game);
  harness::SetString(std::wstring(harness::kProductKeyPath) + L"\\a", L"Dir",
                     game.folder + L"\\" + std::wstring(300, L'x'));
  ScanInstalledGames();
  EXPECT_EQ(InstalledGameCount(), 0u);
}

TEST_F(GameCatalogueTest, SelectGameByIdStoresPartnerCodeAndLastId) {
  harness::InstallGame(Game(L"a", 5, L"Five"));
  harness::InstallGame(Game(L"b", 7, L"Seven"));
  ScanInstalledGames();
  SelectGame(7);
  const CurrentGame& game = CurrentGameRef();
  EXPECT_STREQ(game.productId, "7");
  EXPECT_STREQ(game.displayName, "Seven");
  EXPECT_STREQ(game.partnerCode, "p7");
  EXPECT_STREQ(game.siteAddress, "http://site/7?");
  ASSERT_NE(game.settingsText, nullptr);
  EXPECT_NE(std::string(game.settingsText).find("productid=7"), std::string::npos);
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"LAST_ID").AsDword(), 7u);
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX").AsString(), L"p7");
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_STREQ(current, game.folder) << "the game's folder stays current";
}

TEST_F(GameCatalogueTest, UnknownIdFallsBackToTheFirstGameWithoutStoringItsCode) {
  harness::InstallGame(Game(L"a", 5, L"Five"));
  harness::InstallGame(Game(L"b", 7, L"Seven"));
  ScanInstalledGames();
  SelectGame(9);
  EXPECT_STREQ(CurrentGameRef().productId, "5");
  EXPECT_FALSE(harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX").exists);
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"LAST_ID").AsDword(), 5u);
}

TEST_F(GameCatalogueTest, SelectOnAnEmptyTableChangesNothing) {
  ScanInstalledGames();
  SelectGame(1);
  EXPECT_STREQ(CurrentGameRef().productId, "");
  EXPECT_FALSE(harness::ReadValue(harness::kProductKeyPath, L"LAST_ID").exists);
}

TEST_F(GameCatalogueTest, SettingsValuesAreCutToTheCurrentGameFields) {
  GameFixture game = Game(L"a", 5);
  game.settings = L"productid=5" + std::wstring(40, L'0') + L"\r\nidpostfix=" + std::wstring(80, L'i') +
                  L"\r\nnamerus=" + std::wstring(400, L'n') + L"\r\nvisitus=" + std::wstring(900, L'v') +
                  L"\r\n";
  harness::InstallGame(game);
  ScanInstalledGames();
  SelectGame(5);
  const CurrentGame& current = CurrentGameRef();
  EXPECT_EQ(std::string(current.productId), "5" + std::string(14, '0'));
  EXPECT_EQ(std::string(current.partnerCode), std::string(15, 'i'));
  EXPECT_EQ(std::string(current.displayName), std::string(127, 'n'));
  EXPECT_EQ(std::string(current.siteAddress), std::string(255, 'v'));
}

TEST_F(GameCatalogueTest, GameWhoseFolderVanishedKeepsTheOldSiteAddress) {
  harness::InstallGame(Game(L"a", 5));
  harness::InstallGame(Game(L"b", 7));
  ScanInstalledGames();
  SelectGame(5);
  harness::RemoveTree(Join(kRoot, L"b"));
  SelectGame(7);
  EXPECT_STREQ(CurrentGameRef().productId, "7");
  EXPECT_EQ(CurrentGameRef().settingsText, nullptr) << "no other folder's settings.txt";
  EXPECT_STREQ(CurrentGameRef().siteAddress, "http://site/5?");
}

// Runs under code page 1251 and again (ctest win32_codepage_1252) under 1252.
TEST_F(GameCatalogueTest, CodePageDoesNotHideTheInstalledGamesKey) {
  harness::InstallGame(Game(L"a", 5));
  ScanInstalledGames();
  EXPECT_EQ(InstalledGameCount(), 1u) << "ANSI code page " << GetACP();
}

}  // namespace
