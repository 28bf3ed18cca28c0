// Installed-games table, current game and the site address rule.
#include "config/game_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/installation_id.h"

namespace {

TEST(SiteAddress, AppendsThePartnerCodeAfterDashOrQuestionMark) {
  struct {
    const char* address;
    const char* partner;
    const char* expected;
  } cases[] = {
      {"http://zarn.example/game?", "17", "http://zarn.example/game?17"},
      {"http://zarn.example/game-", "ab", "http://zarn.example/game-ab"},
      {"http://zarn.example/game/", "17", "http://zarn.example/game/"},
      {"http://zarn.example/game?", "", "http://zarn.example/game?"},
      {"", "17", ""},
  };
  for (const auto& c : cases) {
    CurrentGame game{};
    std::strcpy(game.siteAddress, c.address);
    std::strcpy(game.partnerCode, c.partner);
    char out[256];
    BuildSiteAddress(game, out, sizeof out);
    EXPECT_STREQ(out, c.expected) << c.address;
  }
}

TEST(SiteAddress, FullAddressLeavesNoRoomAndStaysTerminated) {
  CurrentGame game{};
  std::memset(game.siteAddress, 'a', 254);
  game.siteAddress[254] = '?';
  std::strcpy(game.partnerCode, "123456789012345");
  char out[256];
  BuildSiteAddress(game, out, sizeof out);
  EXPECT_EQ(std::strlen(out), 255u);
  EXPECT_EQ(out[255], '\0');
  EXPECT_EQ(out[254], '?');
}

TEST(CurrentGame, RecordFieldsAreCutToTheirWidths) {
  GameRecord record{std::string(400, 'f'), "12345678901234567890", std::string(259, 'p'),
                    std::string(300, 'n')};
  CurrentGame game{};
  CopyRecordToCurrentGame(record, game);
  EXPECT_EQ(std::string(game.folder), std::string(259, 'f'));
  EXPECT_STREQ(game.productId, "123456789012345");
  EXPECT_EQ(std::string(game.partnerCode), std::string(15, 'p'));
  EXPECT_EQ(std::string(game.displayName), std::string(127, 'n'));
}

TEST(InstalledGames, IdsAreReadAsNumbersInTableOrder) {
  ReplaceInstalledGames({GameRecord{"a", "7", "", ""}, GameRecord{"b", "12abc", "", ""},
                         GameRecord{"c", "x", "", ""}});
  EXPECT_EQ(InstalledProductIds(), (std::vector<int32_t>{7, 12, 0}));
  EXPECT_EQ(InstalledGameCount(), 3u);
  ReplaceInstalledGames({});
  EXPECT_EQ(InstalledGameCount(), 0u);
}

TEST(InstallationId, HoldsTheRandomByteOverTheShiftedTime) {
  // 1,700,000,000 s + 3,536,256 = 1,703,536,256 = 0x6589E680 -> low 24 bits 0x89E680.
  EXPECT_EQ(MakeInstallationId(0x1234AB, 1700000000), 0xAB89E680u);
  EXPECT_EQ(MakeInstallationId(0, 0), 3536256u);
  EXPECT_EQ(MakeInstallationId(0xFF, 0xFFFFFF - 3536256), 0xFFFFFFFFu);
  EXPECT_EQ(MakeInstallationId(0x100, 0xFFFFFF - 3536256 + 1), 0u);
}

}  // namespace
