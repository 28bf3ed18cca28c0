#include "server.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "harness.h"

namespace server {

namespace {

std::string Get(const std::string& url) {
  std::string body;
  HINTERNET internet = InternetOpenA("zarn-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (internet == nullptr) return body;
  HINTERNET request = InternetOpenUrlA(internet, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  char buffer[8192];
  DWORD read = 0;
  while (request != nullptr && InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
    body.append(buffer, read);
  }
  if (request != nullptr) InternetCloseHandle(request);
  InternetCloseHandle(internet);
  return body;
}

}  // namespace

bool Available() { return std::getenv("ZARN_TEST_SERVER") != nullptr && std::getenv("ZARN_TEST_SERVER_ROOT") != nullptr; }
std::string Base() { return Available() ? std::getenv("ZARN_TEST_SERVER") : ""; }
std::wstring Root() { return Available() ? harness::FromUtf8(std::getenv("ZARN_TEST_SERVER_ROOT")) : L""; }
std::string Url(const std::string& path) { return Base() + path; }
std::string Control(const std::string& query) { return Get(Base() + "/_control/" + query); }
std::string Log() { return Control("log"); }

std::vector<std::string> Requests() {
  std::vector<std::string> lines;
  std::string log = Log();
  size_t at = 0;
  while ((at = log.find(">>> ", at)) != std::string::npos) {
    size_t end = log.find('\n', at);
    lines.push_back(log.substr(at + 4, end == std::string::npos ? std::string::npos : end - at - 4));
    at = end == std::string::npos ? log.size() : end;
  }
  return lines;
}

std::string Request::Header(const std::string& name) const {
  for (const std::string& header : headers) {
    if (header.size() > name.size() && header[name.size()] == ':' &&
        _strnicmp(header.c_str(), name.c_str(), name.size()) == 0) {
      size_t value = header.find_first_not_of(' ', name.size() + 1);
      return value == std::string::npos ? "" : header.substr(value);
    }
  }
  return "";
}

std::vector<Request> RequestsFor(const std::string& path) {
  std::vector<Request> found;
  std::string log = Log();
  size_t at = 0;
  while ((at = log.find(">>> ", at)) != std::string::npos) {
    size_t end = log.find("\n\n", at);
    if (end == std::string::npos) end = log.size();
    std::string block = log.substr(at + 4, end - at - 4);
    at = end;
    Request request;
    size_t lineEnd = block.find('\n');
    request.line = block.substr(0, lineEnd);
    for (size_t start = lineEnd; start != std::string::npos && start + 1 < block.size();) {
      size_t next = block.find('\n', start + 1);
      request.headers.push_back(block.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1));
      start = next;
    }
    // "GET <path>[?query] HTTP/1.1"
    size_t space = request.line.find(' ');
    std::string target = request.line.substr(space + 1, request.line.rfind(' ') - space - 1);
    if (target.substr(0, target.find('?')) == path) found.push_back(request);
  }
  return found;
}

std::string ServeFile(const std::wstring& name, size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  harness::WriteBytes(harness::Join(Root(), name), bytes);
  return bytes;
}

Tls StartTls() {
  Tls tls;
  std::string answer = Control("tls");
  size_t lineEnd = answer.find('\n');
  if (answer.compare(0, 8, "https://") != 0 || lineEnd == std::string::npos) {
    tls.error = answer.empty() ? "no answer to /_control/tls" : answer;
    return tls;
  }
  std::string pem = answer.substr(lineEnd + 1);
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                            &size, nullptr, nullptr)) {
    tls.error = "the authority is not PEM text: " + pem;
    return tls;
  }
  tls.authority.resize(size);
  CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                       reinterpret_cast<BYTE*>(&tls.authority[0]), &size, nullptr, nullptr);
  tls.authority.resize(size);
  tls.base = answer.substr(0, lineEnd);
  return tls;
}

int TlsConnections() { return std::atoi(Control("tlsconnections").c_str()); }

namespace {

// The local machine's root store as the registry holds it. (Wine's "system"
// store of that name is a collection from which a deleted certificate does
// not leave the registry.)
HCERTSTORE OpenMachineRoots() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
}

}  // namespace

bool TrustAuthority(const std::string& der) {
  HCERTSTORE roots = OpenMachineRoots();
  if (roots == nullptr) return false;
  BOOL added = CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                nullptr);
  CertCloseStore(roots, 0);
  return added != FALSE;
}

void DistrustAuthority(const std::string& der) {
  PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                       static_cast<DWORD>(der.size()));
  HCERTSTORE roots = OpenMachineRoots();
  if (wanted != nullptr && roots != nullptr) {
    if (PCCERT_CONTEXT found = CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted,
                                                          nullptr)) {
      CertDeleteCertificateFromStore(found);  // frees `found`
    }
  }
  if (roots != nullptr) CertCloseStore(roots, 0);
  if (wanted != nullptr) CertFreeCertificateContext(wanted);
}

}  // namespace server

namespace harness {

std::string Sha256Hex(const std::string& bytes) {
  unsigned char digest[32] = {};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return "";
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                   static_cast<ULONG>(bytes.size()), 0);
    BCryptFinishHash(hash, digest, sizeof digest, 0);
    BCryptDestroyHash(hash);
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  std::string hex;
  char two[3];
  for (unsigned char byte : digest) {
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  return hex;
}

}  // namespace harness
