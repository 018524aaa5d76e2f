# Wine helpers shared by the scripts. Source it; it defines functions only.
# The prefix is private to this checkout, build/wine/<name>, unless
# VESTREL_WINEPREFIX names another.

vestrel_repo() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

# vestrel_wine_env [headless|x11]: exports WINEPREFIX and friends.
# headless: Wine's null graphics driver, DDE works without a display.
# x11: a prefix without it, for windows drawn on an X server (Xvfb).
# VESTREL_WINE_DPI=N (other than 96) gives a prefix of its own whose screen
# has N DPI (build/wine/<kind>-dpiN).
vestrel_wine_env() {
  local kind=${1:-headless} name=${1:-headless}
  if [ -n "${VESTREL_WINE_DPI:-}" ] && [ "$VESTREL_WINE_DPI" != 96 ]; then
    name=$kind-dpi$VESTREL_WINE_DPI
  fi
  export WINEPREFIX="${VESTREL_WINEPREFIX:-$(vestrel_repo)/build/wine/$name}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export VESTREL_WINE_KIND=$kind
}

# Loader for programs of the given width. 64-bit programs start through
# wine64 directly, so the pid we hold is the program's own.
vestrel_wine_loader() {
  if [ "$1" = 32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# Whether this machine can execute 32-bit programs at all (some sandboxes
# cannot, whatever is installed).
vestrel_can_run_32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Whether the scripts made this prefix (or would make it): a prefix under this
# checkout's build/wine, or one carrying the mark they leave before creating
# one. Only such a prefix is ever deleted, rebuilt or shut down by them.
vestrel_wine_prefix_is_ours() {
  local prefix own
  prefix=$(realpath -m "${1:-$WINEPREFIX}")
  own=$(realpath -m "$(vestrel_repo)/build/wine")
  case $prefix in "$own"/*) return 0 ;; esac
  [ -f "$prefix/.vestrel-made" ]
}

# Creates the prefix once (5-15 s), under a lock so parallel tests wait for it.
# A prefix that VESTREL_WINEPREFIX names and the scripts did not make (a
# trader's own, say) is used as it is and never changed; a missing or empty
# folder becomes a prefix of ours.
vestrel_wine_prefix_ensure() {
  if [ -e "$WINEPREFIX" ] && ! vestrel_wine_prefix_is_ours "$WINEPREFIX" &&
    ! { [ -d "$WINEPREFIX" ] && [ -z "$(ls -A "$WINEPREFIX")" ]; }; then
    vestrel_wine_prefix_check_foreign
    return
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.vestrel-ready" ]; then
      # Only a prefix of ours gets here: a half-made one is made again.
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      touch "$WINEPREFIX/.vestrel-made"
      /usr/lib/wine/wine64 wineboot -i >"$WINEPREFIX.log" 2>&1 || true
      if [ "$VESTREL_WINE_KIND" = headless ]; then
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
          >>"$WINEPREFIX.log" 2>&1
      else
        # No window manager on a virtual X server: Wine draws the frames itself.
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
          >>"$WINEPREFIX.log" 2>&1
      fi
      if [ -n "${VESTREL_WINE_DPI:-}" ]; then
        # Wine's screen DPI, read by every program at its start.
        /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
          /d "$VESTREL_WINE_DPI" /f >>"$WINEPREFIX.log" 2>&1
      fi
      # Debian's Wine does not find the fonts of fonts-wine (Marlett for the
      # caption buttons, MS Sans Serif for the prices) where it looks for its
      # own; the prefix's Fonts folder is always searched.
      cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      /usr/lib/wine/wineserver -w
      [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.vestrel-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
  [ -f "$WINEPREFIX/.vestrel-ready" ] || { echo "could not create the Wine prefix $WINEPREFIX (see $WINEPREFIX.log)" >&2; return 1; }
}

# A prefix the scripts did not make: usable when it is a 64-bit Wine prefix
# (the 64-bit loader needs one; 32-bit programs run in it as well).
vestrel_wine_prefix_check_foreign() {
  local registry=$WINEPREFIX/system.reg
  if [ ! -f "$registry" ]; then
    echo "$WINEPREFIX is not a Wine prefix (no system.reg) and was not made by these scripts;" \
      "it is left untouched. Point VESTREL_WINEPREFIX at a Wine prefix, at a missing or empty" \
      "folder (the scripts then make one there), or unset it." >&2
    return 1
  fi
  if grep -qx '#arch=win32' "$registry"; then
    echo "$WINEPREFIX is a 32-bit Wine prefix; the scripts need a 64-bit one (WINEARCH=win64)." \
      "It is left untouched. Point VESTREL_WINEPREFIX elsewhere or unset it." >&2
    return 1
  fi
  if [ "$VESTREL_WINE_KIND" = headless ] && [ -z "${DISPLAY:-}" ] &&
    ! grep -qi '^"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    echo "note: $WINEPREFIX draws on an X server and there is no DISPLAY: programs that open" \
      "windows will fail there. Unset VESTREL_WINEPREFIX to use a headless prefix of the scripts." >&2
  fi
}

# Keeps one wineserver up between programs so that each start is fast.
vestrel_wineserver_up() {
  /usr/lib/wine/wineserver -p60 </dev/null >/dev/null 2>&1 || true
}
