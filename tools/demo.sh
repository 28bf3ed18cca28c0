#!/usr/bin/env bash
# Runs the manager under Wine with the sample game folders and a local
# publisher server: the README's run command. Installs what it needs on
# Debian 12 first.
#
# The sample games (gamefolder/, laid out by the dist target) are copied to
# C:\Games\<game> of a fresh Wine prefix in build/demo and registered as
# installed; the publisher server serves tools/demo/www on 127.0.0.1:8765
# (the sample wrapper.cfg's catalogue address); then the first game's launcher
# starts the manager with that game's id, as a shortcut would.
#
# On a desktop (DISPLAY set) the window appears there. Without one the demo
# runs on a virtual screen and saves a screenshot to build/demo/screen.png
# every 2 s. Ctrl+C ends it and everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup-debian.sh
cmake --preset x86_64 >/dev/null
cmake --build build/x86_64 --target ZarnWrapper ZarnLauncher dist

work=$root/build/demo
mkdir -p "$work"
[ -n "${DISPLAY:-}" ] && export ZARN_USE_DISPLAY=1
source tools/lib/wine-session.sh

server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wine_session_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A compositing manager on the virtual screen, so that the news pop-up fades.
ZARN_COMPOSITOR=1 wine_session_start "$work"

games_key='HKCU\Software\Игры от ZarnSoft\products'
drive_c=$WINEPREFIX/drive_c
for dir in build/x86_64/dist/*/; do
  game=$(basename "$dir")
  mkdir -p "$drive_c/Games/$game"
  cp -r "$dir"/. "$drive_c/Games/$game/"
  wine reg add "$games_key\\$game" /v Dir /t REG_SZ /d "C:\\Games\\$game" /f >/dev/null 2>&1
done

python3 tools/testserver.py --root tools/demo/www --port 8765 --log "$work/server.log" &
server=$!

first=$(basename "$(ls -d build/x86_64/dist/*/ | head -n1)")
id=$(tr -d '\r' <"gamefolder/games/$first/settings.txt" | sed -n 's/^.*productid=//p' | head -n1)
echo "starting C:\\Games\\$first\\ZarnLauncher.exe $id (publisher server log: $work/server.log)"
wine "C:\\Games\\$first\\ZarnLauncher.exe" "$id" &

if [ -z "${WINE_SESSION_XVFB:-}" ]; then
  echo "the manager's window is on $DISPLAY; Ctrl+C ends the demo"
  while true; do sleep 3600; done
else
  echo "no desktop: screenshots go to $work/screen.png every 2 s; Ctrl+C ends the demo"
  while true; do
    sleep 2
    xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- png:"$work/screen.png.tmp" 2>/dev/null &&
      mv "$work/screen.png.tmp" "$work/screen.png"
  done
fi
