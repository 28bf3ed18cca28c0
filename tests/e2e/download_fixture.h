// The end-to-end fixture of downloads and catalogue checks: the manager runs
// against the local publisher server, whose folder serves the catalogue and
// the files, and whose control requests make it misbehave.
#pragma once

#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "server.h"

namespace e2e {

// One entry of "downloads.txt" as the manager writes it: 0D 03 00 00, then
// the three 260-byte texts (zero-filled after their NUL) and showProgress.
std::string ListEntry(const std::string& url, const std::string& partPath, const std::string& finalPath,
                      bool showProgress);

// A readable form of list file bytes for failure messages: one line per
// entry with its length field, texts and flag.
std::string DescribeList(const std::string& bytes);

// A game without a partner code: its catalogue request names "0.txt".
inline const SampleGame kServedGarden{L"garden", 101, L"http://site.example/garden?", L"", "", 0, L""};

class DownloadTest : public E2ETest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A game folder whose catalogue address is the server's "/catalogue/" folder
  // (the request names "<partner code number>.txt"); the product key exists.
  std::wstring MakeServedGame(const SampleGame& game);
  // The test installer of game 202 ("Puzzle", installed into kRoot\puzzle)
  // served at /files/<name>; its bytes.
  std::string ServePuzzleInstaller(const std::wstring& name);
  // Writes the catalogue that the folder request of partner code 0 fetches.
  void ServeCatalogue(const std::string& text, const std::string& file = "0.txt");
  // Starts the manager on the game with its window shown; the window.
  HWND StartShown(const std::wstring& folder, int gameId, harness::Process* process = nullptr);

  // The data folder's "Download" folder and paths in it, as ANSI text (the
  // manager's own form) and as Windows paths.
  std::string DownloadFolderA();
  std::wstring InDownloads(const std::wstring& name);
  std::string ListFile();  // bytes of downloads.txt ("" when missing)

  // Asks the manager for a user download the way another program does.
  bool SendDownload(HWND window, const std::string& address);

  // How often the server was asked for the file at `path` from its first byte
  // ("Range: bytes=0-"): the fetches of a whole file, not the probes before
  // them.
  size_t FetchesFromStart(const std::string& path);

  // Waits until the file has exactly these bytes.
  bool WaitForBytes(const std::wstring& path, const std::string& bytes, DWORD timeoutMs);
  // Ends the manager at once, as a crash or a kill would.
  void Kill(harness::Process& process);

  std::wstring installerLog_;
  std::wstring updateLog_;
};

}  // namespace e2e
