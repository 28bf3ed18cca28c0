// The local publisher server of the tests (tools/testserver.py, started by
// tools/test.sh): its address and folder from the environment, its control
// requests and its request log, read with WinInet from the test process.
#pragma once

#include <string>
#include <vector>

namespace server {

// False when no server was started for this run (the tests then skip).
bool Available();
std::string Base();         // "http://127.0.0.1:<port>"
std::wstring Root();        // the served folder, as a Windows path
std::string Url(const std::string& path);  // Base() + path ("/a.bin")

// GET /_control/<query>; the answer's body ("ok" for the setters).
std::string Control(const std::string& query);
// The request lines of the log since the last clearlog (">>> GET ... HTTP/1.1"
// without the ">>> "), and the whole log text.
std::vector<std::string> Requests();
// The logged requests whose path (before any query) is `path`, each as its
// header lines; Header() finds one by name (case-insensitive), "" if absent.
struct Request {
  std::string line;
  std::vector<std::string> headers;
  std::string Header(const std::string& name) const;
};
std::vector<Request> RequestsFor(const std::string& path);
std::string Log();

// Writes a file of `size` deterministic bytes (seeded by `seed`) into the
// served folder; returns its bytes.
std::string ServeFile(const std::wstring& name, size_t size, uint32_t seed = 1);

// The server's TLS side, started on first use: the same files, rules and log
// on a second port, with a certificate for 127.0.0.1 signed by an authority
// the server made for this run. `base` is "https://127.0.0.1:<port>" and
// `authority` the authority's certificate (DER); when the side could not
// start, `base` is empty and `error` says why.
struct Tls {
  std::string base;
  std::string authority;
  std::string error;
};
Tls StartTls();
// The connections the TLS side has accepted so far, handshakes that failed
// included.
int TlsConnections();

// Makes the prefix trust a certificate authority (DER) for TLS servers, as a
// root of the local machine, or stop trusting it; programs started afterwards
// see the change.
bool TrustAuthority(const std::string& der);
void DistrustAuthority(const std::string& der);

}  // namespace server

namespace harness {
// Lower-case hex SHA-256 of the bytes (bcrypt).
std::string Sha256Hex(const std::string& bytes);
}  // namespace harness
