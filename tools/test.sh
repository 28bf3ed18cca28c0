#!/usr/bin/env bash
# Builds everything and runs every test: the README's test command, and what
# CI runs (.ci/run). Installs what it needs on Debian 12 first.
#
#   1. native build (clang, ASan + UBSan): unit tests, brief fuzz runs, the
#      test server's own test
#   2. i686 build (the shipping 32-bit programs), warnings are errors
#   3. x86_64 build: the Win32 tests and the end-to-end tests, run through
#      wine64 in a fresh prefix of this run under Xvfb
#   4. the demo's road (tools/demo.sh --road): the manager, the sample games,
#      the demo's publisher server and installer, every step seen
#
# Everything started here is ended here, by process id or by this run's own
# Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup-debian.sh

step() { printf '\n=== %s\n' "$*"; }
start=$(date +%s)

step "native build"
cmake --preset native >/dev/null
cmake --build build/native

step "i686 build (shipping, -Werror)"
cmake --preset i686 >/dev/null
cmake --build build/i686 --target all dist

step "x86_64 build"
cmake --preset x86_64 >/dev/null
cmake --build build/x86_64 --target all dist

step "imports: Windows' own DLLs only"
bash tools/check-imports.sh build/i686 build/x86_64

step "native tests"
(cd build/native && ctest --output-on-failure -j2)

step "Win32 and end-to-end tests under Wine"
source tools/lib/wine-session.sh
server_pid=
stop_all() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wine_session_stop
}
trap stop_all EXIT
# A compositing manager, so that the news pop-up's fading shows on the screen.
ZARN_COMPOSITOR=1 wine_session_start "$root/build/wine"
# The local publisher server of the tests, on a free port; the tests put
# their files into its folder and steer it with its control requests.
www=$root/build/wine/www
rm -rf "$www" && mkdir -p "$www"
rm -f "$root/build/wine/server.port"
python3 tools/testserver.py --root "$www" --port 0 --port-file "$root/build/wine/server.port" \
  --log "$root/build/wine/server.log" &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$root/build/wine/server.port" ] && break; sleep 0.05; done
export ZARN_TEST_SERVER="http://127.0.0.1:$(cat "$root/build/wine/server.port")"
export ZARN_TEST_SERVER_ROOT="Z:$(printf '%s' "$www" | tr / '\\')"
# Shared registry and windows: one test at a time.
(cd build/x86_64 && ctest --output-on-failure -j1)
stop_all
trap - EXIT

step "the demo's road (the README's run command, played by itself)"
bash tools/demo.sh --road

step "all tests passed in $(( $(date +%s) - start )) s"
