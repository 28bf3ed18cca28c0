#include "harness.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "ui/engine/win32/pictures.h"

#include <cstdio>
#include <cstring>

namespace harness {

// --- registry ---

bool KeyExists(const std::wstring& path, HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKey(const std::wstring& path, HKEY root) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void DeleteKeyTree(const std::wstring& path, HKEY root) {
  RegDeleteTreeW(root, path.c_str());
  RegDeleteKeyW(root, path.c_str());
}

void SetString(const std::wstring& path, const std::wstring& name, const std::wstring& value, HKEY root) {
  CreateKey(path, root);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void SetDword(const std::wstring& path, const std::wstring& name, DWORD value, HKEY root) {
  CreateKey(path, root);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void DeleteValue(const std::wstring& path, const std::wstring& name, HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
}

DWORD RegValue::AsDword() const {
  DWORD value = 0;
  if (data.size() >= sizeof value) std::memcpy(&value, data.data(), sizeof value);
  return value;
}

std::wstring RegValue::AsString() const {
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

RegValue ReadValue(const std::wstring& path, const std::wstring& name, HKEY root) {
  RegValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size) ==
        ERROR_SUCCESS) {
      value.exists = true;
      value.data.resize(size);
    }
  }
  RegCloseKey(key);
  return value;
}

// --- files ---

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr) << ToUtf8(path);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirs(const std::wstring& path) { SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

void CopyTree(const std::wstring& from, const std::wstring& to) {
  MakeDirs(to);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Join(from, L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(Join(from, name), Join(to, name));
    } else {
      CopyFileW(Join(from, name).c_str(), Join(to, name).c_str(), FALSE);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Join(path, L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = Join(path, name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring Join(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || a.back() == L'\\') return a + b;
  return a + L"\\" + b;
}

// --- text ---

std::wstring FromCodePage(const std::string& s, UINT codePage) {
  if (s.empty()) return L"";
  int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string ToCodePage(const std::wstring& s, UINT codePage) {
  if (s.empty()) return "";
  int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& s) { return FromCodePage(s, CP_UTF8); }
std::string ToUtf8(const std::wstring& s) { return ToCodePage(s, CP_UTF8); }

// --- installed games ---

void InstallGame(const GameFixture& game) {
  MakeDirs(game.folder);
  if (game.writeSettings) {
    WriteBytes(Join(game.folder, L"settings.txt"), game.header + ToCodePage(game.settings, 1251));
  }
  if (game.writeAffiliate) WriteBytes(Join(game.folder, L"affiliate.txt"), game.affiliate);
  std::wstring key = std::wstring(kProductKeyPath) + L"\\" + game.subkey;
  CreateKey(key);
  if (game.writeDir) SetString(key, L"Dir", game.folder);
}

std::wstring SettingsText(int productId, const std::wstring& name, const std::wstring& visitus,
                          const std::wstring& idpostfix) {
  return L"productid=" + std::to_wstring(productId) + L"\r\nidpostfix=" + idpostfix +
         L"\r\nnamerus=" + name + L"\r\nproductname=Game " + std::to_wstring(productId) +
         L"\r\nvisitus=" + visitus + L"\r\n";
}

void WriteWrapperConfig(const std::wstring& folder, const std::wstring& gamesurl,
                        const std::wstring& company) {
  MakeDirs(Join(folder, L"html"));
  WriteBytes(Join(folder, L"html\\wrapper.cfg"),
             ToCodePage(L"gamesurl=" + gamesurl + L"\r\ncompany=" + company + L"\r\n", 1251));
}

void WriteStrings(const std::wstring& folder, const std::wstring& text) {
  MakeDirs(Join(folder, L"html"));
  WriteBytes(Join(folder, L"html\\strings.txt"), ToCodePage(text, 1251));
}

// --- processes ---

Process Start(const std::wstring& program, const std::wstring& commandLine,
              const std::wstring& directory) {
  Process process;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::wstring line = commandLine;
  if (CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                     directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    process.handle = info.hProcess;
    process.id = info.dwProcessId;
  }
  return process;
}

DWORD WaitExit(const Process& process, DWORD timeoutMs) {
  if (process.handle == nullptr) return STILL_ACTIVE;
  if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.handle, &code);
  return code;
}

void Close(Process& process) {
  if (process.handle != nullptr) {
    if (WaitForSingleObject(process.handle, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process.handle, 99);
      WaitForSingleObject(process.handle, 5000);
    }
    CloseHandle(process.handle);
  }
  process = Process{};
}

void EndWindowsOfClass(const wchar_t* className) {
  for (HWND window : TopLevelWindows(0, className)) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == GetCurrentProcessId()) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process != nullptr) {
      TerminateProcess(process, 99);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
}

// --- windows ---

namespace {
struct WindowQuery {
  DWORD processId;
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto* query = reinterpret_cast<WindowQuery*>(parameter);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  if (query->processId != 0 && id != query->processId) return TRUE;
  if (query->className != nullptr) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (std::wstring(name) != query->className) return TRUE;
  }
  query->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className) {
  WindowQuery query{processId, className, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs) {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        std::vector<HWND> found = TopLevelWindows(processId, className);
        window = found.empty() ? nullptr : found.front();
        return window != nullptr;
      },
      timeoutMs);
  return window;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  // WM_GETTEXT by message: it works across processes, also for controls.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

SIZE ClientSize(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return SIZE{client.right - client.left, client.bottom - client.top};
}

// Icon handles are not comparable across processes under Wine, so the icon is
// judged by its pixels: the error icon is the only standard one that is
// mostly red (warning is yellow, information and question are blue).
double RedShare(HWND control) {
  // Read from the screen: a window DC of another process's window gives
  // nothing under Wine.
  RECT area = {};
  GetWindowRect(control, &area);
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return 0;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  int red = 0;
  const auto* pixels = static_cast<const BYTE*>(bits);
  for (int i = 0; i < width * height; ++i) {
    BYTE b = pixels[i * 4], g = pixels[i * 4 + 1], r = pixels[i * 4 + 2];
    if (r > 150 && g < 110 && b < 110) ++red;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return static_cast<double>(red) / (width * height);
}

// The box may not have painted yet when it is found: look again for a while.
bool ShowsErrorIcon(HWND control) {
  return WaitUntil([&] { return RedShare(control) >= 0.15; }, 3000);
}

MessageBoxTexts ReadMessageBox(HWND dialog) {
  MessageBoxTexts texts;
  texts.caption = WindowText(dialog);
  std::vector<HWND> children;
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    if (_wcsicmp(className, L"Static") != 0) continue;
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
      texts.hasErrorIcon = ShowsErrorIcon(child);
      continue;
    }
    std::wstring text = WindowText(child);
    if (text.size() > texts.text.size()) texts.text = text;
  }
  return texts;
}

void WriteColourPicture(const std::wstring& path, uint32_t rgb) {
  uint32_t pixels[4] = {0xFF000000u | rgb, 0xFF000000u | rgb, 0xFF000000u | rgb, 0xFF000000u | rgb};
  ASSERT_TRUE(win32host::WritePng(path, pixels, 2, 2)) << ToUtf8(path);
}

uint32_t ScreenShot::At(int x, int y) const {
  return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

ScreenShot CaptureScreen(const RECT& area) {
  ScreenShot shot;
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return shot;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  shot.width = width;
  shot.height = height;
  const auto* source = static_cast<const uint32_t*>(bits);
  shot.pixels.assign(source, source + static_cast<size_t>(width) * static_cast<size_t>(height));
  for (uint32_t& pixel : shot.pixels) pixel &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

bool SavePng(const ScreenShot& shot, const std::wstring& path) {
  if (shot.pixels.empty()) return false;
  std::vector<uint32_t> opaque(shot.pixels);
  for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;
  return win32host::WritePng(path, opaque.data(), shot.width, shot.height);
}

bool SaveClientArea(HWND window, const std::wstring& path) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&client, origin.x, origin.y);
  return SavePng(CaptureScreen(client), path);
}

namespace {

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

}  // namespace

void MovePointer(int x, int y) {
  // Absolute input is in 65536ths of the screen; the cursor is then put on
  // the exact pixel.
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65535 + width / 2) / (width - 1),
            (y * 65535 + height / 2) / (height - 1));
  SetCursorPos(x, y);
}

void PressLeft() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeft() { SendMouse(MOUSEEVENTF_LEFTUP); }

int64_t NowMs() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<int64_t>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) /
         10000;
}

int64_t ThreadTimes100ns(DWORD processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int64_t total = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
      auto units = [](FILETIME t) { return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime); };
      total += units(kernel) + units(user);
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return total;
}

}  // namespace harness
