// The publishers' guide (docs/publishers.md) held to what it describes. Its
// example blocks are the sample files and the demo's catalogue byte for byte
// once written in code page 1251 with CR LF; the example catalogue, read by
// the manager's own catalogue code, does what the guide says; the installer's
// registry example names the keys the manager opens; every key the manager
// reads is named in the guide; the screenview example uses what the program
// and the build have. (The example catalogue requests are checked against
// the real manager by tests/e2e/publishers_guide_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/catalogue_text.h"
#include "config/config_text.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "download/digests.h"
#include "tests/native/doc_examples.h"

namespace {

std::string Read(const std::string& relative) {
  std::ifstream file(std::string(ZARN_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

const std::string& Guide() {
  static const std::string text = Read("docs/publishers.md");
  return text;
}

std::vector<std::string> Block(const std::string& name) {
  std::vector<std::string> lines;
  EXPECT_TRUE(docs::ExampleLines(Guide(), name, &lines)) << "no example block \"" << name << "\" in the guide";
  return lines;
}

std::string Cp1251(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(docs::Utf8ToCp1251(utf8, &out)) << "not writable in code page 1251: " << utf8;
  return out;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The first line where two texts differ, both ways, for a readable failure.
std::string FirstDifference(const std::string& shown, const std::string& file) {
  size_t at = 0;
  while (at < shown.size() && at < file.size() && shown[at] == file[at]) ++at;
  size_t lineStart = file.rfind('\n', at == 0 ? 0 : at - 1);
  lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
  auto lineAt = [lineStart](const std::string& text) {
    if (lineStart >= text.size()) return std::string("(end of text)");
    return text.substr(lineStart, text.find('\n', lineStart) - lineStart);
  };
  return "first difference at byte " + std::to_string(at) + ":\n  guide: " + lineAt(shown) +
         "\n  file:  " + lineAt(file);
}

std::string Value(const std::string& text, const char* key) {
  char value[1024];
  ConfigValue(value, text.c_str(), key);
  return value;
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The product ids of the sample games, as their settings.txt give them.
std::vector<int32_t> SampleProductIds() {
  std::vector<int32_t> ids;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ZARN_SOURCE_DIR) + "/gamefolder/games")) {
    std::string settings = Read("gamefolder/games/" + entry.path().filename().string() + "/settings.txt");
    ids.push_back(settings.size() > 2 ? ConfigNumber(settings.c_str() + 2, "productid=") : 0);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(PublishersGuide, ExampleFilesAreTheShippedFilesByteForByte) {
  struct Case {
    const char* block;
    const char* file;
    size_t header;  // bytes of the file before the text the block shows
  } cases[] = {
      {"catalogue", "tools/demo/catalogue.txt", 0},
      {"wrapper.cfg", "gamefolder/common/html/wrapper.cfg", 0},
      {"strings.txt", "gamefolder/common/html/strings.txt", 0},
      {"settings.txt", "gamefolder/games/magic-garden/settings.txt", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    std::string file = Read(c.file);
    ASSERT_GT(file.size(), c.header) << c.file << " is missing";
    std::string expected = file.substr(c.header);
    std::string shown = Cp1251(docs::CrLfText(Block(c.block)));
    EXPECT_EQ(shown, expected) << c.file << ": " << FirstDifference(shown, expected);
  }
}

TEST(PublishersGuide, NamesTheSettingsHeaderTheSamplesCarry) {
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ZARN_SOURCE_DIR) + "/gamefolder/games")) {
    std::string game = entry.path().filename().string();
    std::string settings = Read("gamefolder/games/" + game + "/settings.txt");
    ASSERT_GE(settings.size(), 2u) << game;
    char header[16];
    std::snprintf(header, sizeof header, "`%02X %02X`", settings[0] & 0xFF, settings[1] & 0xFF);
    EXPECT_NE(Guide().find(header), std::string::npos) << game << "'s settings.txt begins with " << header;
  }
}

TEST(PublishersGuide, ExampleCatalogueDoesWhatTheGuideSays) {
  const std::string catalogue = Cp1251(docs::CrLfText(Block("catalogue")));
  ASSERT_TRUE(IsCatalogueText(catalogue.c_str()));
  const std::string fairyIsle = Cp1251("Сказочный остров");
  const std::string installer = "http://127.0.0.1:8765/files/FairyIsle_auto_rus.exe";

  // The banner: with the three sample games installed, entry 0 (product 104).
  std::vector<int32_t> installed = SampleProductIds();
  ASSERT_EQ(installed, (std::vector<int32_t>{101, 102, 103}));
  PromotionState banner;
  ASSERT_TRUE(DecidePromotion(catalogue.c_str(), installed, {}, banner));
  EXPECT_EQ(banner.kind, PromotionKind::kGameBanner);
  EXPECT_EQ(std::string(banner.name), fairyIsle);
  EXPECT_EQ(std::string(banner.downloadUrl), installer);
  EXPECT_STREQ(banner.picture, "http://127.0.0.1:8765/banners/fairy-isle.png");
  // Once 104 is installed, the advertisement with its link.
  installed.push_back(104);
  ASSERT_TRUE(DecidePromotion(catalogue.c_str(), installed, {}, banner));
  EXPECT_EQ(banner.kind, PromotionKind::kAdvert);
  EXPECT_STREQ(banner.downloadUrl, "http://127.0.0.1:8765/games/");
  EXPECT_STREQ(banner.picture, "http://127.0.0.1:8765/banners/advert.png");

  // The news: above the 1 of a fresh installation, with the game's name and
  // page, and the text the guide quotes (the sample's wstring_new_game=).
  EXPECT_GT(ConfigNumber(catalogue.c_str(), "games="), 1);
  EXPECT_EQ(Value(catalogue, "game_name="), fairyIsle);
  EXPECT_EQ(Value(catalogue, "game_url="), "http://127.0.0.1:8765/games/fairy-isle/");
  EXPECT_EQ(Value(catalogue, "game_download="), installer);
  std::string strings = docs::CrLfText(Block("strings.txt"));
  std::string shownCatalogue = docs::CrLfText(Block("catalogue"));
  std::string news = "\"" + Value(strings, "wstring_new_game=") + " - " + Value(shownCatalogue, "game_name=") + "\"";
  EXPECT_NE(Guide().find(news), std::string::npos) << "the guide quotes the news as " << news;
  // No update on offer: the manager's own version is 4.
  EXPECT_EQ(ConfigNumber(catalogue.c_str(), "program="), 4);
  EXPECT_EQ(Value(catalogue, "autobuild_script="), "http://127.0.0.1:8765/report/installed.txt");
}

TEST(PublishersGuide, ExampleCatalogueDigestsReadBackOnceTheDemoFillsThemIn) {
  const std::string setup(64, 'a');
  const std::string update = "0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef";
  const std::string catalogue = Cp1251(docs::CrLfText(Block("catalogue")));
  const std::string served = Replace(Replace(catalogue, "@SETUP_SHA256@", setup), "@UPDATE_SHA256@", update);
  struct Case {
    const char* address;  // key of the address
    const char* digest;   // key of its digest
    const std::string& value;
  } cases[] = {
      {"game_download=", "game_download_sha256=", setup},
      {"wrapper_distrib=", "wrapper_distrib_sha256=", update},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digest);
    std::string address = Value(served, c.address);
    EXPECT_EQ(Value(served, c.digest), c.value);
    uint8_t digest[32];
    // As the template stands, the placeholder is no digest: the download goes unchecked.
    SetDownloadDigest(address.c_str(), Value(catalogue, c.digest).c_str());
    EXPECT_FALSE(DownloadDigest(address.c_str(), digest));
    SetDownloadDigest(address.c_str(), Value(served, c.digest).c_str());
    EXPECT_TRUE(DownloadDigest(address.c_str(), digest));
    ForgetDownloadDigest(address.c_str());
  }
  // The banner's download carries the installer's digest.
  PromotionState banner;
  ASSERT_TRUE(DecidePromotion(served.c_str(), SampleProductIds(), {}, banner));
  EXPECT_EQ(std::string(banner.downloadSha256), setup);
}

TEST(PublishersGuide, InstallerRegistryExampleWritesTheKeysTheManagerOpens) {
  std::vector<std::string> lines = Block("installer registry");
  ASSERT_EQ(lines.size(), 1u);
  std::smatch parts;
  const std::regex command(R"re(^reg add "HKCU\\(.+)\\([^\\"]+)" /v Dir /t REG_SZ /d "[A-Z]:\\[^"]+" /f$)re");
  ASSERT_TRUE(std::regex_match(lines[0], parts, command)) << lines[0];
  // Registry names are compared without regard to the case of ASCII letters.
  const std::string parent = AsciiLower(Cp1251(parts[1].str()));

  std::string installedKey;
  for (const wchar_t* c = kInstalledGamesKey; *c != L'\0'; ++c) {
    char byte;
    ASSERT_TRUE(docs::Cp1251Byte(static_cast<char32_t>(*c), &byte));
    installedKey += byte;
  }
  EXPECT_EQ(parent, AsciiLower(installedKey)) << "the installed-games key the manager enumerates";

  std::string wrapper = Read("gamefolder/common/html/wrapper.cfg");
  std::string productKey = "software\\" + Value(wrapper, "company=") + "\\products";
  EXPECT_EQ(parent, AsciiLower(productKey)) << "the product key the sample's company= names";
}

TEST(PublishersGuide, NamesEveryKeyTheManagerReads) {
  struct Source {
    const char* file;    // code that reads the keys
    const char* sample;  // a shipped file that carries them all, or null
    size_t header;
  } sources[] = {
      {"config/product_config.cpp", "gamefolder/common/html/wrapper.cfg", 0},
      {"config/game_catalogue.cpp", "gamefolder/games/magic-garden/settings.txt", 2},
      {"ui/ui_strings.cpp", "gamefolder/common/html/strings.txt", 0},
      {"config/catalogue_check.cpp", nullptr, 0},
      {"config/promotion.cpp", nullptr, 0},
  };
  const std::regex keyLiteral(R"re("([A-Za-z][A-Za-z0-9_%]*=)")re");
  for (const Source& source : sources) {
    SCOPED_TRACE(source.file);
    std::string code = Read(source.file);
    std::set<std::string> keys;
    for (std::sregex_iterator it(code.begin(), code.end(), keyLiteral), end; it != end; ++it) keys.insert((*it)[1]);
    EXPECT_FALSE(keys.empty()) << "no key read in " << source.file;
    std::string sample = source.sample != nullptr ? "\n" + Read(source.sample).substr(source.header) : "";
    for (const std::string& key : keys) {
      std::string named = "`" + Replace(key, "%i", "<n>") + "`";
      EXPECT_NE(Guide().find(named), std::string::npos) << "the guide does not name " << named;
      if (source.sample != nullptr) {
        EXPECT_NE(sample.find("\n" + key), std::string::npos) << source.sample << " lacks " << key;
      }
    }
  }
}

TEST(PublishersGuide, ScreenviewExampleUsesWhatTheProgramAndTheBuildHave) {
  std::string program = Read("tools/screenview/screenview.cpp");
  size_t usageAt = program.find("usage: screenview");
  ASSERT_NE(usageAt, std::string::npos);
  std::string usage = program.substr(usageAt, program.find('\n', usageAt) - usageAt);
  // Every option of the program is described.
  const std::regex option(R"(\[(--[a-z]+ [A-Za-z.]+)\])");
  size_t options = 0;
  for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it, ++options) {
    EXPECT_NE(Guide().find("`" + (*it)[1].str() + "`"), std::string::npos) << "undescribed " << (*it)[1];
  }
  EXPECT_GT(options, 0u) << usage;

  std::vector<std::string> lines = Block("screenview");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(Read("CMakeLists.txt").find("add_executable(screenview "), std::string::npos);
  const std::regex run(R"(^wine build/x86_64/screenview\.exe (\S+\.htm)((?: \S+)*)$)");
  size_t runs = 0;
  for (const std::string& line : lines) {
    if (line.compare(0, 5, "wine ") != 0) {
      EXPECT_NE(line.find("--target screenview"), std::string::npos) << line;
      continue;
    }
    ++runs;
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(line, parts, run)) << line;
    EXPECT_FALSE(Read(parts[1]).empty()) << "no screen " << parts[1];
    std::string arguments = parts[2];
    const std::regex used(R"(--[a-z]+)");
    for (std::sregex_iterator it(arguments.begin(), arguments.end(), used), end; it != end; ++it) {
      EXPECT_NE(usage.find("[" + it->str() + " "), std::string::npos) << "screenview has no " << it->str();
    }
  }
  EXPECT_GT(runs, 0u);
}

}  // namespace
