// The catalogue requests that the publishers' guide (docs/publishers.md)
// shows, made by the real manager from the sample game folders as shipped:
// the folder form for each sample game, and the script form with the guide's
// installation id. The guide's server, the demo's 127.0.0.1:8765, stands for
// the test server in the configuration and in the expected requests alike.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "download_fixture.h"
#include "tests/native/doc_examples.h"

namespace e2e {
namespace {

using harness::CopyTree;
using harness::Join;

constexpr char kGuideServer[] = "http://127.0.0.1:8765";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class PublishersGuideE2ETest : public DownloadTest {
 protected:
  std::vector<std::string> Example(const char* name) {
    std::string guide = harness::ReadBytes(Join(ZARN_SOURCE_DIR, L"docs\\publishers.md"));
    std::vector<std::string> lines;
    EXPECT_TRUE(docs::ExampleLines(guide, name, &lines)) << "no example block \"" << name << "\" in the guide";
    return lines;
  }
  // The request line the test server logs for an address of the guide.
  static std::string LoggedLine(const std::string& address) {
    return "GET " + Replace(address, kGuideServer, "") + " HTTP/1.1";
  }
  // A sample game folder as the demo lays it out and registers it, with its
  // wrapper.cfg (`gamesurl` in place of the sample's when given) pointing at
  // the test server.
  std::wstring InstallSample(const std::wstring& game, const std::string& gamesurl = "") {
    std::wstring sample = Join(ZARN_SOURCE_DIR, L"gamefolder");
    std::wstring folder = Join(kRoot, game);
    CopyTree(Join(sample, L"common"), folder);
    CopyTree(Join(sample, L"games\\" + game), folder);
    CopyFileW(LauncherExe().c_str(), Join(folder, L"ZarnLauncher.exe").c_str(), FALSE);
    std::wstring config = Join(folder, L"html\\wrapper.cfg");
    std::string text = harness::ReadBytes(config);
    if (!gamesurl.empty()) {
      size_t start = text.find("gamesurl=");
      text.replace(start, text.find('\r', start) - start, gamesurl);
    }
    harness::WriteBytes(config, Replace(text, kGuideServer, server::Base()));
    harness::SetString(std::wstring(harness::kProductKeyPath) + L"\\" + game, L"Dir", folder);
    return folder;
  }
  // The one catalogue request of the manager started on the game.
  std::string RequestOf(const std::wstring& folder, int id) {
    server::Control("clearlog");
    harness::Process manager;
    EXPECT_NE(StartShown(folder, id, &manager), nullptr);
    EXPECT_TRUE(harness::WaitUntil([] { return !server::Requests().empty(); }, 10000));
    std::vector<std::string> requests = server::Requests();
    EXPECT_EQ(RequestExit(manager), 0u);
    return requests.empty() ? "(no request)" : requests[0];
  }
};

TEST_F(PublishersGuideE2ETest, TheSampleGamesAskForTheFolderFormRequestsTheGuideShows) {
  struct Game {
    const wchar_t* folder;
    int id;
  } games[] = {{L"magic-garden", 101}, {L"pirate-mahjong", 102}, {L"star-bubbles", 103}};
  std::vector<std::string> shown = Example("request folder");
  ASSERT_EQ(shown.size(), 3u) << "one request per sample game";
  std::vector<std::wstring> folders;
  for (const Game& game : games) folders.push_back(InstallSample(game.folder));
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(harness::ToUtf8(games[i].folder));
    EXPECT_EQ(RequestOf(folders[i], games[i].id), LoggedLine(shown[i]));
  }
}

TEST_F(PublishersGuideE2ETest, MagicGardenAsksTheScriptAsTheGuideShows) {
  std::vector<std::string> config = Example("script gamesurl");
  std::vector<std::string> shown = Example("request script");
  ASSERT_EQ(config.size(), 1u);
  ASSERT_EQ(shown.size(), 1u);
  // The guide's installation id is the one in its request.
  size_t key = shown[0].find("key=");
  ASSERT_NE(key, std::string::npos) << shown[0];
  DWORD drmId = std::strtoul(shown[0].substr(key + 4, 8).c_str(), nullptr, 16);
  std::wstring folder = InstallSample(L"magic-garden", config[0]);
  harness::SetDword(harness::kProductKeyPath, L"DRM_ID", drmId);
  EXPECT_EQ(RequestOf(folder, 101), LoggedLine(shown[0]));
}

}  // namespace
}  // namespace e2e
