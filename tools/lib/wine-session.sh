# A Wine session of our own, for tests and the demo: a fresh prefix in a folder
# of the run, its own HOME, generated locales (code page 1251 by default, 1252
# on request), a headless X server and a persistent wineserver. Sourced, not
# run. Everything it starts it also ends, by process id or by its own prefix.
#
#   wine_session_start WORKDIR   sets and exports WINEPREFIX, HOME, DISPLAY,
#                                LOCPATH, LC_ALL and the Wine variables
#   wine_session_stop            ends the wineserver of this prefix and Xvfb
#
# ZARN_LOCALE_1251 and ZARN_LOCALE_1252 name the LC_ALL values of the two code
# pages for tests that need the other one. With ZARN_USE_DISPLAY=1 and DISPLAY
# set, the session uses that display instead of starting Xvfb (the demo on a
# desktop). With ZARN_COMPOSITOR=1 the session runs a compositing manager
# (xcompmgr) on its own Xvfb: without one, X shows layered windows at full
# opacity.

wine_session_log() { printf '[wine-session] %s\n' "$*" >&2; }

wine_session_locales() {
  local dir=$1
  mkdir -p "$dir"
  # localedef exits 1 on warnings of these stock locales; the result is usable.
  [ -d "$dir/ru_RU.UTF-8" ] || localedef -i ru_RU -f UTF-8 "$dir/ru_RU.UTF-8" >/dev/null 2>&1 || true
  [ -d "$dir/en_US.UTF-8" ] || localedef -i en_US -f UTF-8 "$dir/en_US.UTF-8" >/dev/null 2>&1 || true
  [ -d "$dir/ru_RU.UTF-8" ] || { wine_session_log "could not generate the ru_RU locale"; return 1; }
}

wine_session_start() {
  local work=$1
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
  WINE_SESSION_DIR=$work

  # Wine's WinInet sends even loopback requests to a configured proxy.
  unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY no_proxy NO_PROXY all_proxy ALL_PROXY ftp_proxy FTP_PROXY

  wine_session_locales "$work/locale" || return 1
  export LOCPATH=$work/locale
  export ZARN_LOCALE_1251=ru_RU.UTF-8 ZARN_LOCALE_1252=en_US.UTF-8
  { export LC_ALL=$ZARN_LOCALE_1251 LANG=$ZARN_LOCALE_1251; } 2>/dev/null

  export WINEPREFIX=$work/prefix
  export HOME=$work/home
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  export WINEARCH=win64
  mkdir -p "$HOME"

  if [ "${ZARN_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    wine_session_log "using the display $DISPLAY"
  else
    # X server: the first free display, reported by Xvfb itself.
    local fdfile=$work/xvfb.display
    rm -f "$fdfile"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$fdfile" >"$work/xvfb.log" 2>&1 &
    WINE_SESSION_XVFB=$!
    local i
    for i in $(seq 1 100); do
      [ -s "$fdfile" ] && break
      sleep 0.05
    done
    [ -s "$fdfile" ] || { wine_session_log "Xvfb did not start"; return 1; }
    export DISPLAY=:$(head -n1 "$fdfile")
    if [ "${ZARN_COMPOSITOR:-0}" = 1 ]; then
      # No shadows: windows keep their exact pixels on the screen.
      xcompmgr -n >"$work/xcompmgr.log" 2>&1 &
      WINE_SESSION_COMPOSITOR=$!
    fi
  fi

  rm -rf "$WINEPREFIX"
  wine_session_log "making a fresh prefix in $WINEPREFIX (display $DISPLAY)"
  wine wineboot --init >/dev/null 2>&1 </dev/null
  # End the server that made the prefix and start a persistent one before any
  # other Wine program runs: a program started first would start a short-lived
  # server of its own, the persistent one would then refuse to start, and
  # every later program would pay a cold start of about 1.7 s.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p
  # Without a window manager Wine's managed windows make DestroyWindow block
  # about 2 s; unmanaged windows behave.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # ZARN_VIRTUAL_DESKTOP=1: every program on a virtual desktop with a taskbar,
  # where the notification-area icon can be seen (the demo).
  if [ "${ZARN_VIRTUAL_DESKTOP:-0}" = 1 ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
  fi
  # Start the prefix's services once, so each test program starts warm.
  wine wineboot >/dev/null 2>&1 </dev/null
  # For a second shell that joins this session (the demo, a developer).
  {
    for v in WINEPREFIX HOME DISPLAY LOCPATH LC_ALL LANG WINEDEBUG WINEDLLOVERRIDES WINEARCH \
             ZARN_LOCALE_1251 ZARN_LOCALE_1252; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done
    printf 'unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY no_proxy NO_PROXY all_proxy ALL_PROXY\n'
  } >"$work/env.sh"
  wine_session_log "ready"
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "${WINE_SESSION_COMPOSITOR:-}" ]; then
    kill "$WINE_SESSION_COMPOSITOR" >/dev/null 2>&1 || true
    wait "$WINE_SESSION_COMPOSITOR" 2>/dev/null || true
    WINE_SESSION_COMPOSITOR=
  fi
  if [ -n "${WINE_SESSION_XVFB:-}" ]; then
    kill "$WINE_SESSION_XVFB" >/dev/null 2>&1 || true
    wait "$WINE_SESSION_XVFB" 2>/dev/null || true
    WINE_SESSION_XVFB=
  fi
}
