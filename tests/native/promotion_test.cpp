// The promotion rule and the catalogue text store.
#include "config/promotion.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "config/catalogue_text.h"
#include "config/game_table.h"

namespace {

const char kCatalogue[] =
    "[GAMES.CFG]\r\n"
    "games=3\r\n"
    "promoID0=5\r\npromoName0=Five\r\npromoDescription0=Game five\r\n"
    "promoBanner0=http://s/5.jpg\r\npromoDownload0=http://s/5.exe\r\n"
    "promoID1=8\r\npromoName1=Eight\r\npromoDescription1=Game eight\r\n"
    "promoBanner1=http://s/8.jpg\r\npromoDownload1=http://s/8.exe\r\n"
    "promoID2=ad\r\npromoBanner2=http://s/ad.jpg\r\npromoDownload2=http://s/ad.htm\r\n";

struct Case {
  const char* name;
  std::string catalogue;
  std::vector<int32_t> installed;
  std::vector<std::string> downloads;
  PromotionKind kind;
  const char* picture;  // expected picture, or null when it must keep its old value
  const char* title;    // expected name, or null when it must keep its old value
  bool redraw;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class PromotionCases : public testing::TestWithParam<Case> {};

TEST_P(PromotionCases, ChoosesTheBanner) {
  const Case& c = GetParam();
  PromotionState state;
  std::snprintf(state.picture, sizeof state.picture, "old picture");
  std::snprintf(state.name, sizeof state.name, "old name");
  std::snprintf(state.description, sizeof state.description, "old description");
  bool redraw = DecidePromotion(c.catalogue.c_str(), c.installed, c.downloads, state);
  EXPECT_EQ(state.kind, c.kind);
  EXPECT_EQ(redraw, c.redraw);
  EXPECT_STREQ(state.picture, c.picture ? c.picture : "old picture");
  EXPECT_STREQ(state.name, c.title ? c.title : "old name");
}

INSTANTIATE_TEST_SUITE_P(
    Rule, PromotionCases,
    testing::Values(
        Case{"FirstNotInstalledGame", kCatalogue, {5}, {}, PromotionKind::kGameBanner,
             "http://s/8.jpg", "Eight", true},
        Case{"NothingInstalledTakesEntryZero", kCatalogue, {}, {}, PromotionKind::kGameBanner,
             "http://s/5.jpg", "Five", true},
        Case{"AdvertWhenBothGamesInstalled", kCatalogue, {5, 8}, {}, PromotionKind::kAdvert,
             "http://s/ad.jpg", nullptr, true},
        Case{"RunningDownloadWinsOverEarlierEntries", kCatalogue, {}, {"http://s/8.exe"},
             PromotionKind::kGameBanner, "http://s/8.jpg", "Eight", true},
        Case{"DownloadOfAnAdvertShowsItAsAGame", kCatalogue, {5}, {"http://s/ad.htm"},
             PromotionKind::kGameBanner, "http://s/ad.jpg", "", true},
        Case{"DownloadAddressMustMatchExactly", kCatalogue, {5}, {"http://s/8.EXE"},
             PromotionKind::kGameBanner, "http://s/8.jpg", "Eight", true},
        Case{"MissingFirstIdIsPlaceholder", "[GAMES.CFG]\npromoID1=8\n", {}, {},
             PromotionKind::kPlaceholder, nullptr, nullptr, true},
        Case{"IdStartingWithALetterEndsTheList",
             "[GAMES.CFG]\npromoID0=5\npromoID1=x9\npromoID2=8\n", {5}, {},
             PromotionKind::kPlaceholder, nullptr, nullptr, true},
        Case{"EveryGameInstalledEndsWithPlaceholder", "[GAMES.CFG]\npromoID0=5\npromoID1=8\n",
             {8, 5}, {}, PromotionKind::kPlaceholder, nullptr, nullptr, true},
        Case{"LeadingBlankIsNoCatalogue", std::string(" ") + kCatalogue, {}, {},
             PromotionKind::kNone, nullptr, nullptr, false},
        Case{"EmptyTextIsNoCatalogue", "", {}, {}, PromotionKind::kNone, nullptr, nullptr, false},
        Case{"LowerCaseMarkIsNoCatalogue", "[games.cfg]\npromoID0=5\n", {}, {},
             PromotionKind::kNone, nullptr, nullptr, false}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Promotion, GameBannerCopiesAllFourTexts) {
  PromotionState state;
  ASSERT_TRUE(DecidePromotion(kCatalogue, {5}, {}, state));
  EXPECT_STREQ(state.downloadUrl, "http://s/8.exe");
  EXPECT_STREQ(state.description, "Game eight");
}

TEST(Promotion, LongValuesAreCutToTheirFields) {
  std::string text = "[GAMES.CFG]\npromoID0=7\npromoName0=" + std::string(500, 'n') +
                     "\npromoDescription0=" + std::string(5000, 'd') +
                     "\npromoBanner0=" + std::string(900, 'b') + "\n";
  PromotionState state;
  ASSERT_TRUE(DecidePromotion(text.c_str(), {}, {}, state));
  EXPECT_EQ(std::string(state.name), std::string(127, 'n'));
  EXPECT_EQ(std::string(state.description), std::string(1023, 'd'));
  EXPECT_EQ(std::string(state.picture), std::string(259, 'b'));
}

TEST(CatalogueText, IsReplacedWholeAndCutTo65535Bytes) {
  std::shared_ptr<const CatalogueText> before = CatalogueSnapshot();
  std::string big = "[GAMES.CFG]\n" + std::string(70000, 'x');
  StoreCatalogueText(big.data(), big.size());
  std::shared_ptr<const CatalogueText> after = CatalogueSnapshot();
  EXPECT_NE(before.get(), after.get());
  EXPECT_EQ(std::string(after->text).size(), 65535u);
  EXPECT_TRUE(IsCatalogueText(after->text));
  // A reader's snapshot stays whole while the text is replaced.
  StoreCatalogueText("", 0);
  EXPECT_EQ(std::string(after->text).size(), 65535u);
  EXPECT_STREQ(CatalogueSnapshot()->text, "");
}

TEST(CatalogueText, ExactlyFullTextIsKeptWhole) {
  std::string text = "[GAMES.CFG]\n" + std::string(65535 - 12, 'y');
  ASSERT_EQ(text.size(), 65535u);
  StoreCatalogueText(text.data(), text.size());
  EXPECT_EQ(std::string(CatalogueSnapshot()->text), text);
}

int gRedraws = 0;

TEST(ChoosePromotion, UsesTheStoredInputsAndAsksForTheRedraw) {
  ReplaceInstalledGames({GameRecord{"C:\\g5", "5", "", "Five"}});
  SetPromotionSources({[] { return std::vector<std::string>{}; }, [] { ++gRedraws; }});
  StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  gRedraws = 0;
  ChoosePromotion();
  EXPECT_EQ(CurrentPromotion().kind, PromotionKind::kGameBanner);
  EXPECT_STREQ(CurrentPromotion().name, "Eight");
  EXPECT_EQ(gRedraws, 1);

  SetPromotionSources({[] { return std::vector<std::string>{"http://s/5.exe"}; }, [] { ++gRedraws; }});
  ChoosePromotion();
  EXPECT_STREQ(CurrentPromotion().name, "Five");

  StoreCatalogueText("<html>error</html>", 18);
  ChoosePromotion();
  EXPECT_EQ(CurrentPromotion().kind, PromotionKind::kNone);
  EXPECT_EQ(gRedraws, 2) << "no redraw for a text that is not a catalogue";
  SetPromotionSources({});
  ReplaceInstalledGames({});
}

TEST(ChoosePromotion, ConcurrentCallsAndRebuildsStayConsistent) {
  // Three threads choose while the table and the text are replaced: under
  // ThreadSanitizer-free ASan builds this still catches use-after-free of a
  // text or table replaced under a reader.
  StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) ChoosePromotion();
    });
  }
  for (int i = 0; i < 200; ++i) {
    ReplaceInstalledGames({GameRecord{"d", i % 2 ? "5" : "8", "", ""}});
    StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  }
  for (std::thread& t : threads) t.join();
  PromotionState last = CurrentPromotion();
  EXPECT_EQ(last.kind, PromotionKind::kGameBanner);
  ReplaceInstalledGames({});
}

}  // namespace
