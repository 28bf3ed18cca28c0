// The publisher's configuration (html\wrapper.cfg), each game's settings.txt
// and affiliate.txt, and the manager's values under HKEY_CURRENT_USER. The
// manager never creates a registry key: it opens the keys that the games'
// installers made and sets values in them.
#pragma once

#include <cstdint>
#include <string>

// Process-wide values set by LoadWrapperConfig. Read them through
// ProductConfigCopy from threads other than the user-interface thread.
struct ProductConfig {
  char catalogueAddress[512];  // "gamesurl="; empty when wrapper.cfg is missing
  char companyName[256];       // "company="
  char productKey[256];        // "software\<company>\products"; empty until read
  bool haveKeys;               // wrapper.cfg has been read once: both key paths are set
};

// The installed-games key under HKEY_CURRENT_USER. Kept in UTF-16 so that it
// is found whatever the system's ANSI code page is.
constexpr wchar_t kInstalledGamesKey[] = L"software\\\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft\\products";

ProductConfig ProductConfigCopy();
const ProductConfig& ProductConfigRef();  // user-interface thread only

void LoadWrapperConfig();

// settings.txt of the current directory without its 2-byte header, NUL-ended,
// heap-allocated (free with std::free); null when missing or shorter than 2 bytes.
char* ReadSettingsFile();

// affiliate.txt of the current directory whole (up to its first NUL, at most
// 259 bytes), without trimming; false when it cannot be opened.
bool ReadAffiliateFile(char (&code)[260]);

int32_t ReadLastGameId();
void StoreLastGameId(int32_t id);
// "version" = the manager's own version, in the product key if it exists.
void WriteManagerVersion();

uint32_t InstallationId();
void EnsureInstallationId();

bool ReadGlobalPartnerCode(char (&code)[256]);

// Values of the product key, which is opened (never created) for each call.
bool ProductKeyExists();
bool ReadProductNumber(const char* name, uint32_t* value);
bool StoreProductNumber(const char* name, uint32_t value);
// A REG_SZ value of at most size - 1 bytes; false when absent or longer.
bool ReadProductText(const char* name, char* text, size_t size);
bool StoreProductText(const char* name, const char* text);
void StoreGlobalPartnerCode(const char* code);
