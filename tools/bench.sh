#!/usr/bin/env bash
# Runs the benchmarks and prints their figures (not part of the tests):
#   - the engine core natively (parse, style, layout, display list; game list)
#   - the engine under Wine: the sample main screen loaded, laid out and
#     painted; a progress change repainted
#   - the manager under Wine: time to its window next to a bare window
#     program, and its footprint while hidden in the notification area
#     (processor, private bytes, wake-ups per second) next to the bare
#     program's
#   - the manager's download of a 200 MB file from a local server, capped and
#     uncapped, against curl: time, processor, responsiveness, private bytes
#   tools/bench.sh [idle seconds, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
idle=${1:-60}
bash tools/setup-debian.sh
# The native figures come from an optimised build without sanitizers.
cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DZARN_TESTS=ON >/dev/null
cmake --build build/bench-native --target engine_bench >/dev/null
cmake --preset x86_64 >/dev/null
cmake --build build/x86_64 --target host_bench startup_bench bare_window ZarnWrapper ZarnLauncher >/dev/null

echo "== engine core, native"
for b in $(find build/bench-native -type f -executable -name "*_bench"); do "$b"; done

source tools/lib/wine-session.sh
trap wine_session_stop EXIT
wine_session_start "$root/build/bench-wine" 2>/dev/null

echo "== engine under Wine (x86_64)"
wine build/x86_64/tools/bench/win32/host_bench.exe gamefolder/common/html/screen_reg.htm --runs 50

echo "== manager under Wine (x86_64)"
game=$WINEPREFIX/drive_c/Games/magic-garden
mkdir -p "$game"
cp -r gamefolder/common/. gamefolder/games/magic-garden/. "$game/"
cp build/x86_64/ZarnLauncher.exe "$game/"
wine reg add 'HKCU\Software\Игры от ZarnSoft\products\magic-garden' /v Dir /t REG_SZ /d 'C:\Games\magic-garden' /f >/dev/null 2>&1
wine build/x86_64/tools/bench/win32/startup_bench.exe "$(winepath -w build/x86_64/ZarnWrapper.exe)" \
  'C:\Games\magic-garden\ZarnLauncher.exe' "$(winepath -w build/x86_64/tools/bench/win32/bare_window.exe)" \
  --runs 15 --idle "$idle"

# The publisher's server of the last two sections, a test server: a tiny
# catalogue whose banner offers one 200,000,000-byte file.
cmake --build build/x86_64 --target download_bench >/dev/null
dl=$root/build/bench-download
big=$dl/www/big.bin
mkdir -p "$dl/www/catalogue"
[ "$(stat -c %s "$big" 2>/dev/null)" = 200000000 ] || head -c 200000000 /dev/urandom >"$big"
cp gamefolder/games/magic-garden/thumb.jpg "$dl/www/banner.jpg"
rm -f "$dl/server.port" "$dl/server.log" "$dl/results.txt"
python3 tools/testserver.py --root "$dl/www" --port 0 --port-file "$dl/server.port" --log "$dl/server.log" &
download_server=$!
trap 'kill "$download_server" 2>/dev/null || true; wine_session_stop' EXIT
for _ in $(seq 1 100); do [ -s "$dl/server.port" ] && break; sleep 0.05; done
base=http://127.0.0.1:$(cat "$dl/server.port")
settings=gamefolder/games/magic-garden/settings.txt
game_id=$(grep -a -m1 -o 'productid=[0-9]*' "$settings" | cut -d= -f2)
# The manager asks for "<the game's partner code>.txt" in the catalogue folder.
partner=$(grep -a -m1 -o 'idpostfix=[0-9]*' "$settings" | cut -d= -f2)
printf '[GAMES.CFG]\r\ngames=1\r\npromoID0=999\r\npromoName0=Benchmark\r\npromoDescription0=200 MB\r\npromoBanner0=%s/banner.jpg\r\npromoDownload0=%s/big.bin\r\n' \
  "$base" "$base" >"$dl/www/catalogue/$partner.txt"

echo "== hidden in the notification area for $idle s, against a bare window program (x86_64)"
# Both run side by side for the same period, measured from the Linux side
# (/proc of every thread): processor time (Wine's GetProcessTimes undercounts
# it), wake-ups (context switches, voluntary and forced) and anonymous
# resident memory. The manager starts as at logon: its launcher, no argument.
cp build/x86_64/ZarnWrapper.exe "$game/run.dat"
proc_sample() {  # pid -> "ticks switches anon_kb"
  local pid=$1 ticks switches=0 t
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  for t in /proc/"$pid"/task/*/status; do
    switches=$((switches + $(awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {n += $2} END {print n + 0}' "$t")))
  done
  printf '%s %s %s' "$ticks" "$switches" "$(awk '/^RssAnon/ {print $2}' "/proc/$pid/status")"
}
footprint() {  # label: both programs side by side for $idle s
  echo "-- $1"
  wine build/x86_64/tools/bench/win32/bare_window.exe >/dev/null 2>&1 &
  wine 'C:\Games\magic-garden\ZarnLauncher.exe' >/dev/null 2>&1 &
  sleep 8
  local bare_pid manager_pid bare_t0 bare_s0 man_t0 man_s0 bare_t1 bare_s1 bare_kb man_t1 man_s1 man_kb hz
  bare_pid=$(pgrep -n -x bare_window.exe || true)
  manager_pid=$(pgrep -n -x run.exe || true)
  if [ -n "$bare_pid" ] && [ -n "$manager_pid" ]; then
    read -r bare_t0 bare_s0 _ <<<"$(proc_sample "$bare_pid")"
    read -r man_t0 man_s0 _ <<<"$(proc_sample "$manager_pid")"
    sleep "$idle"
    read -r bare_t1 bare_s1 bare_kb <<<"$(proc_sample "$bare_pid")"
    read -r man_t1 man_s1 man_kb <<<"$(proc_sample "$manager_pid")"
    hz=$(getconf CLK_TCK)
    LC_ALL=C awk -v s="$idle" -v hz="$hz" -v bt=$((bare_t1 - bare_t0)) -v bs=$((bare_s1 - bare_s0)) -v bk="$bare_kb" \
        -v mt=$((man_t1 - man_t0)) -v ms=$((man_s1 - man_s0)) -v mk="$man_kb" 'BEGIN {
      printf "processor: bare %.0f ms (%.3f %%), manager %.0f ms (%.3f %%)\n", bt * 1000 / hz, bt * 100 / hz / s, mt * 1000 / hz, mt * 100 / hz / s
      printf "wake-ups per second: bare %.2f, manager %.2f\n", bs / s, ms / s
      printf "anonymous resident memory: bare %.2f MB, manager %.2f MB\n", bk / 1024, mk / 1024
    }'
  else
    echo "hidden footprint: the bare program or the manager did not start"
  fi
  [ -n "$bare_pid" ] && kill "$bare_pid" 2>/dev/null || true
  [ -n "$manager_pid" ] && kill "$manager_pid" 2>/dev/null || true
}
sed -i "s|^gamesurl=.*|gamesurl=$base/catalogue/\r|" "$game/html/wrapper.cfg"
footprint "the publisher's server answers (one catalogue request, then idle)"
# Port 9 of this machine: nothing listens, every request is refused at once.
sed -i "s|^gamesurl=.*|gamesurl=http://127.0.0.1:9/catalogue/\r|" "$game/html/wrapper.cfg"
footprint "the publisher's server cannot be reached (the catalogue request retries)"
sed -i "s|^gamesurl=.*|gamesurl=$base/catalogue/\r|" "$game/html/wrapper.cfg"
rm -f "$game/run.dat"

echo "== manager's download of a 200 MB file under Wine (x86_64)"
# The file, capped at 125,000,000 B/s and then uncapped; curl fetches it from
# the same server before each of the manager's runs. The shown window paints
# the progress bar of the download, as the banner offers the file.
# This prefix's wineserver is the one whose folder is named after the
# prefix's device and inode numbers.
wineserver_dir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
wineserver_pid=0
for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
  [ "$(basename "$(readlink "/proc/$p/cwd")")" = "$wineserver_dir" ] && wineserver_pid=$p
done
download_bench=(wine build/x86_64/tools/bench/win32/download_bench.exe run
  --manager "$(winepath -w build/x86_64/ZarnWrapper.exe)" --launcher 'C:\Games\magic-garden\ZarnLauncher.exe'
  --url "$base/big.bin" --source "$(winepath -w "$big")" --results "$(winepath -w "$dl/results.txt")"
  --server-pid "$download_server" --wineserver-pid "$wineserver_pid" --xserver-pid "${WINE_SESSION_XVFB:-0}"
  --server-log "$(winepath -w "$dl/server.log")" --clock-ticks "$(getconf CLK_TCK)")
# The same transfer by WinInet in download_bench itself, without the manager:
# in the manager's 4096-byte blocks, then with a WriteFile per block, then
# also with its progress posts to an idle window; last in 64 KiB blocks.
wininet_alone=(wine build/x86_64/tools/bench/win32/download_bench.exe wininet --url "$base/big.bin"
  --server-pid "$download_server" --wineserver-pid "$wineserver_pid" --clock-ticks "$(getconf CLK_TCK)")
wininet_part=$(winepath -w "$dl/wininet.part")
for mode in capped uncapped; do
  if [ "$mode" = capped ]; then echo "-- server capped at 125,000,000 B/s"; else echo "-- server uncapped"; fi
  curl -s --noproxy '*' "$base/_control/reset" >/dev/null
  [ "$mode" = uncapped ] || curl -s --noproxy '*' "$base/_control/set?path=/big.bin&rate=125000000" >/dev/null
  for run in 1 2 3; do
    curl_time=$(curl -s --noproxy '*' -o /dev/null -w '%{time_total}' "$base/big.bin")
    "${download_bench[@]}" --label "$mode" --run "$run" --game-id "$game_id" --curl "$curl_time" || true
  done
  "${download_bench[@]}" --label "$mode" || true
  "${wininet_alone[@]}" --block 4096 || true
  "${wininet_alone[@]}" --block 4096 --write "$wininet_part" || true
  "${wininet_alone[@]}" --block 4096 --write "$wininet_part" --post 1 || true
  "${wininet_alone[@]}" --block 65536 --write "$wininet_part" --post 1 || true
  wine build/x86_64/tools/bench/win32/download_bench.exe summary --results "$(winepath -w "$dl/results.txt")" \
    --label "$mode" || true
done
kill "$download_server" 2>/dev/null || true
wait "$download_server" 2>/dev/null || true
trap wine_session_stop EXIT
