#!/usr/bin/env bash
# Runs the manager under Wine with the sample game folders and a local
# publisher server: the README's run command. Installs what it needs on
# Debian 12 first.
#
#   bash tools/demo.sh            the manager, to click through
#   bash tools/demo.sh --road     the whole road played by itself, with a
#                                 numbered screenshot of every step in
#                                 build/demo/ (then the demo ends)
#   bash tools/demo.sh --update   the catalogue also offers a manager update
#                                 (a stand-in that changes nothing), which the
#                                 two-hourly catalogue check downloads and runs
#                                 (with --road: shown before the download)
#
# The sample games (gamefolder/, laid out by the dist target) are copied to
# C:\Games\<game> of a fresh Wine prefix in build/demo and registered as
# installed. The publisher server (tools/testserver.py) serves, on
# 127.0.0.1:8765 (the sample wrapper.cfg's catalogue address), the folder
# build/demo/www made from tools/demo/www:
#   /catalogue/<partner code>.txt  tools/demo/catalogue.txt with the digests
#                                  of the two programs below filled in
#   /banners/...                   the catalogue's pictures
#   /files/FairyIsle_auto_rus.exe  the installer of a fourth game, Fairy Isle,
#                                  built from tools/demo/setup (sent at
#                                  800 KB/s, so that the progress can be seen)
#   /files/ZarnWrapper.exe         the manager update stand-in
# Then the first game's launcher starts the manager, as a shortcut would.
#
# On a desktop (DISPLAY set) the window appears there. Without one the demo
# runs on a virtual Wine desktop with a taskbar (the notification-area icon
# and the pop-up show there) on a virtual screen, and saves a screenshot to
# build/demo/screen.png every 2 s. Ctrl+C ends it and everything it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

road=0
update=0
for arg in "$@"; do
  case $arg in
    --road) road=1 ;;
    --update) update=1 ;;
    *) echo "usage: bash tools/demo.sh [--road] [--update]" >&2; exit 2 ;;
  esac
done

bash tools/setup-debian.sh
cmake --preset x86_64 >/dev/null
cmake --build build/x86_64 --target ZarnWrapper ZarnLauncher dist demo

work=$root/build/demo
mkdir -p "$work"
# The road always plays on its own virtual screen.
if [ -n "${DISPLAY:-}" ] && [ $road = 0 ]; then export ZARN_USE_DISPLAY=1; else export ZARN_USE_DISPLAY=0; fi
source tools/lib/wine-session.sh

# The publisher server's folder.
www=$work/www
rm -rf "$www"
cp -r tools/demo/www "$www"
mkdir -p "$www/files" "$www/catalogue"
cp build/x86_64/tools/demo/FairyIsle_auto_rus.exe "$www/files/"
cp build/x86_64/tools/demo/ZarnDemoUpdate.exe "$www/files/ZarnWrapper.exe"
setup_sha=$(sha256sum "$www/files/FairyIsle_auto_rus.exe" | cut -d' ' -f1)
update_sha=$(sha256sum "$www/files/ZarnWrapper.exe" | cut -d' ' -f1)
offered_program=4
[ $update = 1 ] && offered_program=5
# One catalogue per partner code of the sample games (the request names it).
for game_dir in gamefolder/games/*/; do
  if [ -f "$game_dir/affiliate.txt" ]; then
    code=$(tr -dc '0-9' <"$game_dir/affiliate.txt")
  else
    code=$(tr -d '\r' <"$game_dir/settings.txt" | sed -n 's/^idpostfix=//p' | tr -dc '0-9')
  fi
  LC_ALL=C sed -e "s/@SETUP_SHA256@/$setup_sha/" -e "s/@UPDATE_SHA256@/$update_sha/" \
    -e "s/^program=4\r\$/program=$offered_program\r/" tools/demo/catalogue.txt >"$www/catalogue/$code.txt"
done
printf '[{"path": "/files/FairyIsle_auto_rus.exe", "rate": 800000}]\n' >"$work/rules.json"

server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wine_session_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# A compositing manager on the virtual screen, so that the news pop-up fades,
# and a virtual Wine desktop with a taskbar for the notification-area icon.
ZARN_COMPOSITOR=1 ZARN_VIRTUAL_DESKTOP=$([ "$ZARN_USE_DISPLAY" = 1 ] && echo 0 || echo 1) \
  wine_session_start "$work"

games_key='HKCU\Software\Игры от ZarnSoft\products'
drive_c=$WINEPREFIX/drive_c
for dir in build/x86_64/dist/*/; do
  game=$(basename "$dir")
  mkdir -p "$drive_c/Games/$game"
  cp -r "$dir"/. "$drive_c/Games/$game/"
  wine reg add "$games_key\\$game" /v Dir /t REG_SZ /d "C:\\Games\\$game" /f >/dev/null 2>&1
done

rm -f "$work/server.log"
python3 tools/testserver.py --root "$www" --port 8765 --rules "$work/rules.json" --log "$work/server.log" &
server=$!

first=$(basename "$(ls -d build/x86_64/dist/*/ | head -n1)")
id=$(tr -d '\r' <"gamefolder/games/$first/settings.txt" | sed -n 's/^.*productid=//p' | head -n1)
echo "starting C:\\Games\\$first\\ZarnLauncher.exe $id (publisher server log: $work/server.log)"
wine "C:\\Games\\$first\\ZarnLauncher.exe" "$id" &

screenshot() {
  xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- png:"$1.tmp" 2>/dev/null && mv "$1.tmp" "$1"
}
windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

if [ $road = 1 ]; then
  marks=$work/marks
  rm -rf "$marks" "$work"/[0-9][0-9]-*.png
  mkdir -p "$marks"
  echo "playing the road; screenshots go to $work"
  status=1
  while IFS= read -r line; do
    line=${line%$'\r'}
    echo "$line"
    case $line in
      "shot "*)
        name=${line#shot }
        screenshot "$work/$name.png"
        touch "$marks/$name.done"
        ;;
      "road: done") status=0 ;;
    esac
  done < <(wine build/x86_64/tools/demo/road.exe "$(windows_path "$work/server.log")" \
             "$(windows_path "$marks")" $([ $update = 1 ] && echo --update) 2>/dev/null)
  ls "$work"/[0-9][0-9]-*.png 2>/dev/null || true
  exit $status
fi

if [ -z "${WINE_SESSION_XVFB:-}" ]; then
  echo "the manager's window is on $DISPLAY; Ctrl+C ends the demo"
  while true; do sleep 3600; done
else
  echo "no desktop: screenshots go to $work/screen.png every 2 s; Ctrl+C ends the demo"
  while true; do
    sleep 2
    screenshot "$work/screen.png"
  done
fi
