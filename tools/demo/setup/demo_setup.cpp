// The demo's installer of its fourth sample game, Fairy Isle, as the
// publisher's server offers it: it unpacks the game folder it carries (the
// payload resource made by tools/demo/pack.py) into the folder
// %SystemDrive%\Games\fairy-isle, registers the game under the publisher's installed-games key
// and ends, showing its progress in a small window meanwhile.
//
// Built with ZARN_DEMO_UPDATE it is the stand-in for a manager update
// instead: the same window, no files changed.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPayloadId = 1;
constexpr UINT_PTR kStepTimer = 1;
constexpr UINT kStepMs = 40;
// The update stand-in shows its window this many steps (3.2 s).
constexpr int kUpdateSteps = 80;
constexpr wchar_t kGamesKey[] = L"Software\\Игры от ZarnSoft\\products\\fairy-isle";

#ifdef ZARN_DEMO_UPDATE
constexpr wchar_t kTitle[] = L"Обновление менеджера игр";
#else
constexpr wchar_t kTitle[] = L"Установка: Сказочный остров";
#endif

struct PackedFile {
  std::string name;  // relative, "\" separated, code page 1251
  const uint8_t* data;
  uint32_t size;
};

struct Setup {
  std::wstring folder;
  std::vector<PackedFile> files;
  size_t next = 0;      // the next file to write
  int steps = 0;        // timer ticks so far
  std::wstring status;
  bool failed = false;
} gSetup;

#ifndef ZARN_DEMO_UPDATE
bool ReadU32(const uint8_t*& at, const uint8_t* end, uint32_t* value) {
  if (end - at < 4) return false;
  *value = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
  at += 4;
  return true;
}

// A name stays inside the installation folder: relative, no "..", no drive.
bool IsSafeName(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name.find(':') != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('\\', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

bool LoadPayload(std::vector<PackedFile>* files) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kPayloadId), MAKEINTRESOURCEW(10));
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  DWORD size = SizeofResource(nullptr, found);
  const uint8_t* at = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (at == nullptr || size < 8 || std::memcmp(at, "ZDPK", 4) != 0) return false;
  const uint8_t* end = at + size;
  at += 4;
  uint32_t count;
  if (!ReadU32(at, end, &count)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t nameLength, dataSize;
    if (!ReadU32(at, end, &nameLength) || nameLength > static_cast<uint32_t>(end - at)) return false;
    std::string name(reinterpret_cast<const char*>(at), nameLength);
    at += nameLength;
    if (!ReadU32(at, end, &dataSize) || dataSize > static_cast<uint32_t>(end - at)) return false;
    if (!IsSafeName(name)) return false;
    files->push_back({name, at, dataSize});
    at += dataSize;
  }
  return at == end;
}

std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(1251, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(1251, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// Makes every folder of a path below the installation folder.
void MakeFolders(const std::wstring& path) {
  for (size_t at = gSetup.folder.size() + 1; (at = path.find(L'\\', at)) != std::wstring::npos; ++at) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
}

bool WriteWhole(const std::wstring& path, const uint8_t* data, uint32_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

bool RegisterGame() {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kGamesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  // "Dir" is read as 8-bit text in the system code page.
  char folder[MAX_PATH];
  int length = WideCharToMultiByte(CP_ACP, 0, gSetup.folder.c_str(), -1, folder, sizeof folder, nullptr, nullptr);
  LONG result = length > 0 ? RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                                            static_cast<DWORD>(length))
                           : ERROR_INVALID_DATA;
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
#endif

// One timer tick: one file (so that the progress can be followed), then the
// registry, then a short pause on "done".
bool Step() {
  ++gSetup.steps;
#ifdef ZARN_DEMO_UPDATE
  gSetup.status = L"Демонстрация: файлы менеджера не меняются.";
  return gSetup.steps < kUpdateSteps;
#else
  if (gSetup.failed) return gSetup.steps < 100;
  if (gSetup.next < gSetup.files.size()) {
    const PackedFile& file = gSetup.files[gSetup.next++];
    std::wstring path = gSetup.folder + L"\\" + Wide(file.name);
    MakeFolders(path);
    gSetup.status = Wide(file.name);
    if (!WriteWhole(path, file.data, file.size)) {
      gSetup.status = L"Не удалось записать " + path;
      gSetup.failed = true;
    }
    return true;
  }
  if (gSetup.next == gSetup.files.size()) {
    ++gSetup.next;
    if (RegisterGame()) {
      gSetup.status = L"Готово: игра установлена в " + gSetup.folder;
    } else {
      gSetup.status = L"Не удалось записать раздел реестра игры";
      gSetup.failed = true;
    }
    gSetup.steps = 0;
    return true;
  }
  return gSetup.steps < 15;
#endif
}

int Percent() {
#ifdef ZARN_DEMO_UPDATE
  return gSetup.steps * 100 / kUpdateSteps;
#else
  if (gSetup.files.empty()) return 100;
  size_t done = gSetup.next < gSetup.files.size() ? gSetup.next : gSetup.files.size();
  return static_cast<int>(done * 100 / gSetup.files.size());
#endif
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  HBRUSH background = CreateSolidBrush(RGB(0x2B, 0x1B, 0x4D));
  FillRect(dc, &client, background);
  DeleteObject(background);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT title = {16, 12, client.right - 16, 34};
  DrawTextW(dc, kTitle, -1, &title, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
  RECT bar = {16, 44, client.right - 16, 62};
  HBRUSH track = CreateSolidBrush(RGB(0x4A, 0x36, 0x7A));
  FillRect(dc, &bar, track);
  DeleteObject(track);
  RECT filled = bar;
  filled.right = bar.left + (bar.right - bar.left) * Percent() / 100;
  HBRUSH fill = CreateSolidBrush(gSetup.failed ? RGB(0xE0, 0x40, 0x40) : RGB(0xFF, 0x9A, 0x2A));
  FillRect(dc, &filled, fill);
  DeleteObject(fill);
  RECT status = {16, 70, client.right - 16, client.bottom - 8};
  DrawTextW(dc, gSetup.status.c_str(), -1, &status, DT_LEFT | DT_WORDBREAK | DT_PATH_ELLIPSIS);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (!Step()) {
        DestroyWindow(window);
      } else {
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_PAINT: Paint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: PostQuitMessage(gSetup.failed ? 1 : 0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  wchar_t drive[MAX_PATH] = L"C:";
  DWORD length = GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) lstrcpyW(drive, L"C:");
  gSetup.folder = std::wstring(drive) + L"\\Games\\fairy-isle";
#ifndef ZARN_DEMO_UPDATE
  CreateDirectoryW((std::wstring(drive) + L"\\Games").c_str(), nullptr);
  CreateDirectoryW(gSetup.folder.c_str(), nullptr);
  if (!LoadPayload(&gSetup.files)) {
    gSetup.status = L"Повреждён пакет установки";
    gSetup.failed = true;
  }
#endif

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"ZarnDemoSetup";
  RegisterClassW(&windowClass);
  RECT frame = {0, 0, 420, 120};
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX;
  AdjustWindowRect(&frame, style, FALSE);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, kTitle, style,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 3, width, height, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) return 2;
  ShowWindow(window, show);
  UpdateWindow(window);
  SetTimer(window, kStepTimer, kStepMs, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
