// html\wrapper.cfg, settings.txt, affiliate.txt and the manager's registry
// values, with real files and the test prefix's registry.
#include "config/product_config.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "config/installation_id.h"
#include "core/app_state.h"
#include "core/text.h"
#include "harness.h"

namespace {

using harness::Join;

class ProductConfigTest : public testing::Test {
 protected:
  void SetUp() override {
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    folder_ = Join(L"C:\\zarn-tests", harness::FromUtf8(testing::UnitTest::GetInstance()
                                                            ->current_test_info()
                                                            ->name()));
    harness::RemoveTree(folder_);
    harness::MakeDirs(folder_);
    WideToAnsi(folder_.c_str(), App().gameFolder);
  }
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");
    harness::RemoveTree(folder_);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
  }
  // Writes the file and makes the folder current, as the callers do.
  void WriteInFolder(const wchar_t* name, const std::string& bytes) {
    harness::WriteBytes(Join(folder_, name), bytes);
    SetCurrentDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
};

TEST_F(ProductConfigTest, WrapperConfigLosesTheLastByteOfTheFile) {
  harness::MakeDirs(Join(folder_, L"html"));
  harness::WriteBytes(Join(folder_, L"html\\wrapper.cfg"),
                      "gamesurl=http://cat.example/list/\r\ncompany=Acme Games");
  LoadWrapperConfig();
  const ProductConfig& config = ProductConfigRef();
  EXPECT_STREQ(config.catalogueAddress, "http://cat.example/list/");
  EXPECT_STREQ(config.companyName, "Acme Game") << "the last byte gives way to the terminator";
  EXPECT_STREQ(config.productKey, "software\\Acme Game\\products");
  EXPECT_TRUE(config.haveKeys);
}

TEST_F(ProductConfigTest, MissingWrapperConfigEmptiesOnlyTheCatalogueAddress) {
  harness::WriteWrapperConfig(folder_, L"http://first/", L"Kept Company");
  LoadWrapperConfig();
  harness::RemoveTree(Join(folder_, L"html"));
  LoadWrapperConfig();
  const ProductConfig& config = ProductConfigRef();
  EXPECT_STREQ(config.catalogueAddress, "");
  EXPECT_STREQ(config.companyName, "Kept Company");
  EXPECT_STREQ(config.productKey, "software\\Kept Company\\products");
}

TEST_F(ProductConfigTest, GameFolderThatCannotBeEnteredReadsNoOtherFolder) {
  // The current directory holds a wrapper.cfg, the game folder does not exist.
  harness::WriteWrapperConfig(folder_, L"http://wrong/", L"Wrong");
  SetCurrentDirectoryW(folder_.c_str());
  std::strcpy(App().gameFolder, "C:\\zarn-tests\\no such folder");
  LoadWrapperConfig();
  EXPECT_STREQ(ProductConfigRef().catalogueAddress, "");
  EXPECT_STRNE(ProductConfigRef().companyName, "Wrong");
}

TEST_F(ProductConfigTest, LongValuesAreCutToTheirFields) {
  harness::MakeDirs(Join(folder_, L"html"));
  harness::WriteBytes(Join(folder_, L"html\\wrapper.cfg"),
                      "gamesurl=" + std::string(2000, 'u') + "\r\ncompany=" + std::string(700, 'c') + "\r\n");
  LoadWrapperConfig();
  const ProductConfig& config = ProductConfigRef();
  EXPECT_EQ(std::string(config.catalogueAddress), std::string(511, 'u'));
  EXPECT_EQ(std::string(config.companyName), std::string(255, 'c'));
  EXPECT_EQ(std::strlen(config.productKey), 255u);
}

TEST_F(ProductConfigTest, SettingsFileSkipsItsTwoByteHeader) {
  struct {
    std::string bytes;
    bool readable;
    std::string text;
  } cases[] = {
      {"", false, ""},
      {"\x01", false, ""},
      {std::string("\x01\x00", 2), true, ""},
      {std::string("\x01\x00", 2) + "productid=7\r\n", true, "productid=7\r\n"},
      {"XYproductid=8", true, "productid=8"},
      {"XY" + std::string(100001, 'z'), true, std::string(100001, 'z')},
  };
  for (const auto& c : cases) {
    WriteInFolder(L"settings.txt", c.bytes);
    char* text = ReadSettingsFile();
    EXPECT_EQ(text != nullptr, c.readable) << c.bytes.size();
    if (text != nullptr) {
      EXPECT_EQ(std::string(text), c.text);
    }
    std::free(text);
  }
  DeleteFileW(Join(folder_, L"settings.txt").c_str());
  EXPECT_EQ(ReadSettingsFile(), nullptr);
}

TEST_F(ProductConfigTest, AffiliateFileIsTakenWhole) {
  struct {
    std::string bytes;
    std::string code;
  } cases[] = {
      {"4711\r\n", "4711\r\n"},  // a trailing line break stays part of the code
      {" x y ", " x y "},
      {std::string("ab\0cd", 5), "ab"},  // up to the first NUL
      {std::string(1000, 'a'), std::string(259, 'a')},
      {"", ""},
  };
  for (const auto& c : cases) {
    WriteInFolder(L"affiliate.txt", c.bytes);
    char code[260];
    std::memset(code, '#', sizeof code);
    EXPECT_TRUE(ReadAffiliateFile(code));
    EXPECT_EQ(std::string(code), c.code);
  }
  DeleteFileW(Join(folder_, L"affiliate.txt").c_str());
  char code[260] = "old";
  EXPECT_FALSE(ReadAffiliateFile(code));
  EXPECT_STREQ(code, "");
}

TEST_F(ProductConfigTest, InstallationIdIsMadeOnceAndStoredAsDword) {
  harness::WriteWrapperConfig(folder_);
  harness::CreateKey(harness::kProductKeyPath);
  LoadWrapperConfig();
  std::srand(1234);
  int expectedRandom = std::rand();
  std::srand(1234);
  int64_t before = std::time(nullptr);
  EnsureInstallationId();
  int64_t after = std::time(nullptr);
  uint32_t id = InstallationId();
  harness::RegValue stored = harness::ReadValue(harness::kProductKeyPath, L"DRM_ID");
  ASSERT_TRUE(stored.exists);
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(stored.AsDword(), id);
  EXPECT_EQ(id >> 24, static_cast<uint32_t>(expectedRandom) & 0xFFu);
  EXPECT_TRUE(id == MakeInstallationId(expectedRandom, before) ||
              id == MakeInstallationId(expectedRandom, after));

  // Stable: a later start reads the same id instead of making another.
  harness::SetDword(harness::kProductKeyPath, L"DRM_ID", 0x12345678);
  EnsureInstallationId();
  EXPECT_EQ(InstallationId(), 0x12345678u);
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"DRM_ID").AsDword(), 0x12345678u);
}

TEST_F(ProductConfigTest, NothingIsCreatedWithoutTheProductKey) {
  harness::WriteWrapperConfig(folder_);
  LoadWrapperConfig();
  EnsureInstallationId();
  StoreLastGameId(5);
  StoreGlobalPartnerCode("77");
  EXPECT_EQ(ReadLastGameId(), 0);
  char code[256] = "x";
  EXPECT_FALSE(ReadGlobalPartnerCode(code));
  EXPECT_STREQ(code, "");
  EXPECT_FALSE(harness::KeyExists(harness::kCompanyKeyPath));
}

TEST_F(ProductConfigTest, LastGameIdRoundTripsAsDword) {
  harness::WriteWrapperConfig(folder_);
  harness::CreateKey(harness::kProductKeyPath);
  LoadWrapperConfig();
  EXPECT_EQ(ReadLastGameId(), 0);
  StoreLastGameId(103);
  EXPECT_EQ(ReadLastGameId(), 103);
  harness::RegValue stored = harness::ReadValue(harness::kProductKeyPath, L"LAST_ID");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(stored.AsDword(), 103u);
}

TEST_F(ProductConfigTest, GlobalPartnerCodeIsWrittenOnce) {
  harness::WriteWrapperConfig(folder_);
  harness::CreateKey(harness::kProductKeyPath);
  LoadWrapperConfig();
  StoreGlobalPartnerCode("4711\r\n");
  StoreGlobalPartnerCode("9999");
  harness::RegValue stored = harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.AsString(), L"4711\r\n");
  char code[256];
  EXPECT_TRUE(ReadGlobalPartnerCode(code));
  EXPECT_STREQ(code, "4711\r\n");
}

TEST_F(ProductConfigTest, OverlongGlobalPartnerCodeIsCutWhenRead) {
  harness::WriteWrapperConfig(folder_);
  LoadWrapperConfig();
  harness::SetString(harness::kProductKeyPath, L"GLOBAL_POSTFIX", std::wstring(255, L'p'));
  char code[256];
  EXPECT_TRUE(ReadGlobalPartnerCode(code));
  EXPECT_EQ(std::string(code), std::string(255, 'p'));
  harness::SetString(harness::kProductKeyPath, L"GLOBAL_POSTFIX", std::wstring(600, L'q'));
  EXPECT_FALSE(ReadGlobalPartnerCode(code)) << "longer than 256 bytes: the read fails";
  EXPECT_STREQ(code, "");
  StoreGlobalPartnerCode("new");
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX").AsString(),
            std::wstring(600, L'q'))
      << "an existing value is never replaced, however long";
}

}  // namespace
