// Stand-in for a game's installer that the manager downloads and runs. The
// manager opens it without parameters, so it is configured through the
// environment it inherits:
//   ZARN_INSTALLER_LOG   file to append "start <own full path>" and
//                        "end <exit code>" to (UTF-8 lines ending in "\n";
//                        "error <what>" lines when a step of the install
//                        fails). Opened and closed for each line, so a test
//                        can read it while the program runs.
//   ZARN_INSTALLER_PLAN  text file of key=value lines (UTF-8, CRLF or LF):
//                          id=<product id>       name=<registry subkey and
//                          folder=<game folder>  display name>
//                          exitcode=<n> (0)      sleepms=<n> (0)
//                          register=<0|1> (1)
// After sleeping sleepms, when register=1 and id, name and folder are all
// given, it installs the game as the real installers do: the folder with
// settings.txt and thumb.jpg, and HKCU\<installed-games key>\<name> with
// "Dir" set to the folder. Then it exits with exitcode.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_program_util.h"

namespace {

using test_program::AppendLine;
using test_program::Env;

// The manager's installed-games key (kInstalledGamesKey): "Игры от ZarnSoft".
constexpr wchar_t kInstalledGamesKey[] =
    L"software\\\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft\\products";

// An 8 x 8 baseline JPEG of one colour (#3070C0): JFIF, quantisation 1,
// three components, one DC-only block each.
constexpr unsigned char kThumbJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x08,
    0x00, 0x08, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x00, 0x03, 0x11, 0x00, 0xff, 0xc4, 0x00, 0x15,
    0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x08, 0x09, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00,
    0x02, 0x00, 0x03, 0x00, 0x00, 0x3f, 0x00, 0x0b, 0xce, 0x58, 0xb2, 0xdf, 0xff, 0xd9,
};

struct Plan {
  std::wstring id;
  std::wstring name;
  std::wstring folder;
  DWORD exitCode = 0;
  DWORD sleepMs = 0;
  bool install = true;
};

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                      nullptr);
  return bytes;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return false;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  std::fclose(file);
  return true;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

DWORD ParseNumber(const std::string& text) {
  // strtoul also takes "-1", which becomes 0xFFFFFFFF as an exit code.
  return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

Plan ParsePlan(const std::string& text) {
  Plan plan;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    if (key == "id") plan.id = FromUtf8(value);
    else if (key == "name") plan.name = FromUtf8(value);
    else if (key == "folder") plan.folder = FromUtf8(value);
    else if (key == "exitcode") plan.exitCode = ParseNumber(value);
    else if (key == "sleepms") plan.sleepMs = ParseNumber(value);
    else if (key == "register") plan.install = value != "0";
  }
  return plan;
}

// Creates the folder and any missing parents; true if it exists afterwards.
bool MakeDirs(const std::wstring& folder) {
  for (size_t i = 0; i < folder.size(); ++i) {
    // "C:\" and the "\\server\share" of a network path are not folders to
    // create.
    if ((folder[i] == L'\\' || folder[i] == L'/') && i > 0 && folder[i - 1] != L':' &&
        folder[i - 1] != L'\\') {
      CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
    }
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RegisterGame(const std::wstring& name, const std::wstring& folder) {
  std::wstring path = std::wstring(kInstalledGamesKey) + L"\\" + name;
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const BYTE* data = reinterpret_cast<const BYTE*>(folder.c_str());
  DWORD size = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
  bool set = RegSetValueExW(key, L"Dir", 0, REG_SZ, data, size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

// The game's files and registry entry; the failed step's name, or "".
std::string Install(const Plan& plan) {
  std::wstring folder = plan.folder;
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (!MakeDirs(folder)) return "folder";
  // settings.txt: the two header bytes the manager expects, then code page 1251 text.
  std::wstring settings = L"productid=" + plan.id + L"\r\nidpostfix=\r\nnamerus=" + plan.name +
                          L"\r\nproductname=Game " + plan.id + L"\r\nvisitus=\r\n";
  if (!WriteFileBytes(folder + L"\\settings.txt", std::string("\x01\x00", 2) + ToCodePage(settings, 1251))) {
    return "settings.txt";
  }
  std::string thumb(reinterpret_cast<const char*>(kThumbJpeg), sizeof kThumbJpeg);
  if (!WriteFileBytes(folder + L"\\thumb.jpg", thumb)) return "thumb.jpg";
  if (!RegisterGame(plan.name, plan.folder)) return "registry";
  return "";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::wstring log = Env(L"ZARN_INSTALLER_LOG");
  wchar_t self[32768];
  DWORD selfLength = GetModuleFileNameW(nullptr, self, 32768);
  AppendLine(log, "start " + ToCodePage(std::wstring(self, selfLength), CP_UTF8));

  Plan plan;
  std::wstring planPath = Env(L"ZARN_INSTALLER_PLAN");
  if (!planPath.empty()) {
    std::string text;
    if (ReadFileBytes(planPath, text)) {
      plan = ParsePlan(text);
    } else {
      AppendLine(log, "error plan");
    }
  }
  Sleep(plan.sleepMs);
  if (plan.install && !plan.id.empty() && !plan.name.empty() && !plan.folder.empty()) {
    std::string failed = Install(plan);
    if (!failed.empty()) AppendLine(log, "error " + failed);
  }
  AppendLine(log, "end " + std::to_string(plan.exitCode));
  return static_cast<int>(plan.exitCode);
}
