// Golden dumps: each golden/<case>.htm is rendered against the stub host and
// its box tree and display list compared with golden/<case>.expected.
//
// A first-line comment sets the case up:
//   <!-- viewport 300x200; images a.png=32x24 b.png=10x10 -->
// (pictures relative to the document, C:\golden\<case>.htm).
// ZARN_UPDATE_GOLDEN=1 rewrites the expected files from the output; read the
// diff before keeping it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/engine/stub_host.h"
#include "ui/engine/dump.h"
#include "ui/engine/text.h"
#include "ui/engine/url.h"
#include "ui/engine/view.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

struct Setup {
  int width = 730;
  int height = 512;
  std::vector<std::pair<std::string, Size>> images;
};

Setup ReadSetup(const std::string& html) {
  Setup setup;
  size_t begin = html.find("<!--");
  size_t end = html.find("-->");
  if (begin != 0 || end == std::string::npos) return setup;
  std::istringstream words(html.substr(4, end - 4));
  std::string word;
  bool images = false;
  while (words >> word) {
    if (!word.empty() && word.back() == ';') word.pop_back();
    if (word == "viewport") {
      std::string size;
      words >> size;
      if (!size.empty() && size.back() == ';') size.pop_back();
      std::sscanf(size.c_str(), "%dx%d", &setup.width, &setup.height);
      images = false;
    } else if (word == "images") {
      images = true;
    } else if (images) {
      size_t eq = word.find('=');
      Size s;
      if (eq != std::string::npos && std::sscanf(word.c_str() + eq + 1, "%dx%d", &s.width, &s.height) == 2) {
        setup.images.emplace_back(word.substr(0, eq), s);
      }
    }
  }
  return setup;
}

std::string Render(const fs::path& file) {
  std::string html = ReadFile(file);
  Setup setup = ReadSetup(html);
  std::u16string address = u"C:\\golden\\" + Utf8ToUtf16(file.filename().string());
  StubHost host;
  for (const auto& [name, size] : setup.images) host.SetImage(ResolveAddress(address, Utf8ToUtf16(name)), size);
  View view(&host);
  view.SetViewportSize(setup.width, setup.height);
  view.LoadHtml(reinterpret_cast<const uint8_t*>(html.data()), html.size(), address);
  view.Update();
  return "== boxes\n" + DumpBoxTree(view.rootBox()) + "== display list\n" + DumpDisplayList(view.displayList());
}

std::vector<std::string> Cases() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(ZARN_ENGINE_GOLDEN_DIR)) {
    if (entry.path().extension() == ".htm") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Golden : public testing::TestWithParam<std::string> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);

TEST_P(Golden, MatchesExpectedDump) {
  fs::path dir(ZARN_ENGINE_GOLDEN_DIR);
  std::string actual = Render(dir / (GetParam() + ".htm"));
  fs::path expectedFile = dir / (GetParam() + ".expected");
  const char* update = std::getenv("ZARN_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(expectedFile, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(fs::exists(expectedFile)) << "no " << expectedFile << "; output:\n" << actual;
  EXPECT_EQ(ReadFile(expectedFile), actual);
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
}  // namespace engine
