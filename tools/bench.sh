#!/usr/bin/env bash
# Runs the benchmarks and prints their figures (not part of the tests):
#   - the engine core natively (parse, style, layout, display list; game list)
#   - the engine under Wine: the sample main screen loaded, laid out and
#     painted; a progress change repainted
#   - the manager under Wine: time to its window next to a bare window
#     program, and its footprint while hidden in the notification area
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
