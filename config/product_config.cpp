// Product configuration and registry state. Registry access is skipped while
// the key paths are still empty (wrapper.cfg never read): an empty path would
// open HKEY_CURRENT_USER itself and write the manager's values at its root.
#include "config/product_config.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "config/config_text.h"
#include "config/file_cache.h"
#include "config/installation_id.h"
#include "core/app_state.h"
#include "core/locks.h"

namespace {

std::mutex gConfigLock;  // guards gConfig against readers on worker threads
ProductConfig gConfig{};
std::atomic<uint32_t> gInstallationId{0};

// Opens the product registry key with query and set access; null when the key
// path is unknown or the key does not exist. Never creates it.
HKEY OpenProductKey() {
  char path[256];
  {
    std::lock_guard<std::mutex> lock(gConfigLock);
    if (!gConfig.haveKeys) return nullptr;
    CopyText(path, gConfig.productKey);
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

bool QueryDword(HKEY key, const char* name, DWORD* value) {
  DWORD type = 0;
  DWORD size = sizeof *value;
  return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
             ERROR_SUCCESS &&
         size == sizeof *value;
}

void SetDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

ProductConfig ProductConfigCopy() {
  std::lock_guard<std::mutex> lock(gConfigLock);
  return gConfig;
}

const ProductConfig& ProductConfigRef() { return gConfig; }

void LoadWrapperConfig() {
  char* text = nullptr;
  int32_t size = 0;
  {
    WorkDirLock dir;
    // A game folder that cannot be entered must not make us read another
    // folder's html\wrapper.cfg.
    if (SetCurrentDirectoryA(App().gameFolder)) text = FileCacheLoad("html\\wrapper.cfg", &size);
  }
  std::lock_guard<std::mutex> lock(gConfigLock);
  if (text == nullptr) {
    gConfig.catalogueAddress[0] = '\0';
    return;
  }
  if (size > 0) text[size - 1] = '\0';
  ConfigValue(gConfig.catalogueAddress, text, "gamesurl=");
  ConfigValue(gConfig.companyName, text, "company=");
  std::snprintf(gConfig.productKey, sizeof gConfig.productKey, "software\\%s\\products",
                gConfig.companyName);
  gConfig.haveKeys = true;
  FileCacheRelease(text);
}

char* ReadSettingsFile() {
  int32_t size = 0;
  char* text = ReadWholeFile("settings.txt", &size);
  if (text == nullptr) return nullptr;
  if (size < 2) {  // no room for the header: unreadable
    std::free(text);
    return nullptr;
  }
  std::memmove(text, text + 2, static_cast<size_t>(size) - 1);  // the text and its NUL
  return text;
}

bool ReadAffiliateFile(char (&code)[260]) {
  code[0] = '\0';
  FILE* file = std::fopen("affiliate.txt", "rb");
  if (file == nullptr) return false;
  char buffer[260] = {};
  std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  CopyText(code, buffer);  // up to the first NUL
  return true;
}

int32_t ReadLastGameId() {
  HKEY key = OpenProductKey();
  if (key == nullptr) return 0;
  DWORD id = 0;
  if (!QueryDword(key, "LAST_ID", &id)) id = 0;
  RegCloseKey(key);
  return static_cast<int32_t>(id);
}

void StoreLastGameId(int32_t id) {
  HKEY key = OpenProductKey();
  if (key == nullptr) return;
  SetDword(key, "LAST_ID", static_cast<DWORD>(id));
  RegCloseKey(key);
}

void WriteManagerVersion() {
  HKEY key = OpenProductKey();
  if (key == nullptr) return;
  SetDword(key, "version", kManagerVersion);
  RegCloseKey(key);
}

uint32_t InstallationId() { return gInstallationId; }

void EnsureInstallationId() {
  HKEY key = OpenProductKey();
  if (key == nullptr) return;
  DWORD id = 0;
  if (!QueryDword(key, "DRM_ID", &id)) {
    id = MakeInstallationId(std::rand(), static_cast<int64_t>(std::time(nullptr)));
    SetDword(key, "DRM_ID", id);
  }
  gInstallationId = id;
  RegCloseKey(key);
}

bool ReadGlobalPartnerCode(char (&code)[256]) {
  code[0] = '\0';
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  char value[257];  // 256 bytes of value and room for a terminator it may lack
  DWORD type = 0;
  DWORD size = 256;
  bool ok = RegQueryValueExA(key, "GLOBAL_POSTFIX", nullptr, &type, reinterpret_cast<BYTE*>(value),
                             &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (!ok) return false;
  value[size] = '\0';
  CopyText(code, value);
  return true;
}

void StoreGlobalPartnerCode(const char* code) {
  HKEY key = OpenProductKey();
  if (key == nullptr) return;
  char existing[256];
  DWORD type = 0;
  DWORD size = sizeof existing;
  LSTATUS read = RegQueryValueExA(key, "GLOBAL_POSTFIX", nullptr, &type,
                                  reinterpret_cast<BYTE*>(existing), &size);
  // A value too long for the buffer still exists: only an absent value is written.
  if (read != ERROR_SUCCESS && read != ERROR_MORE_DATA) {
    RegSetValueExA(key, "GLOBAL_POSTFIX", 0, REG_SZ, reinterpret_cast<const BYTE*>(code),
                   static_cast<DWORD>(std::strlen(code) + 1));
  }
  RegCloseKey(key);
}

bool ProductKeyExists() {
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  RegCloseKey(key);
  return true;
}

bool ReadProductNumber(const char* name, uint32_t* value) {
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  DWORD number = 0;
  bool ok = QueryDword(key, name, &number);
  RegCloseKey(key);
  if (ok) *value = number;
  return ok;
}

bool StoreProductNumber(const char* name, uint32_t value) {
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  SetDword(key, name, value);
  RegCloseKey(key);
  return true;
}

bool ReadProductText(const char* name, char* text, size_t size) {
  if (size == 0) return false;
  text[0] = '\0';
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  std::string value(size + 1, '\0');  // room for a terminator the value may lack
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(size);
  bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &bytes) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  RegCloseKey(key);
  if (!ok) return false;
  value[bytes] = '\0';
  CopyText(text, size, value.c_str());
  return true;
}

bool StoreProductText(const char* name, const char* text) {
  HKEY key = OpenProductKey();
  if (key == nullptr) return false;
  LSTATUS status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}
