# Sourced by the test and demo scripts: one Xvfb display and one persistent
# wineserver for the whole run, with the Wine prefix inside the build tree.
# Needs $build. Defines orv_wine_stop, which the caller traps on exit.

. "$(dirname "${BASH_SOURCE[0]}")/machine.sh"
if ! orv_runs_32bit; then
  echo "wine-session: this machine cannot run 32-bit x86 code (no 32-bit code segment), so Wine cannot run Orvane's programs here; scripts/in-vm.sh runs them in an emulated machine" >&2
  exit 1
fi

export WINEPREFIX="${ORV_WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's HID and USB buses poll for devices all the time (in the emulated
# machine about a fifth of its CPU); neither the tests nor the demo use them.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winebus.sys,wineusb.sys=d"

orv_xvfb_pid=
if [ -z "${ORV_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    orv_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# Detached, so that a wine inside $(...) or a pipe does not keep the pipe open.
setsid wineserver -p </dev/null >/dev/null 2>&1 &

# On our own display there is no window manager: Wine then waits for one on
# every window it hides (about 2 s each). Unmanaged windows skip that wait and
# get Wine's own frames. On a person's display the window manager stays in charge.
if [ -n "$orv_xvfb_pid" ]; then orv_managed=N; else orv_managed=Y; fi
if ! grep -q "^\"Managed\"=\"$orv_managed\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$orv_managed" /f >/dev/null 2>&1 || true
fi

# Programs of the build that Wine still runs, one per line. Wine names each
# process after its program's file (the kernel keeps 15 characters of it);
# one still starting is "wine" with the program as its first argument. One
# that has ended but whose parent has not collected it yet (a zombie, as a
# program started by one that ended before it becomes where nothing collects
# orphans) runs no more and is not listed.
orv_ours_running() {
  local ours
  ours=$(cd "$build/bin" && ls -- *.exe 2>/dev/null | cut -c1-15 | tr 'A-Z' 'a-z' | paste -sd' ')
  ps -eo pid=,stat=,comm=,args= | awk -v ours="$ours" '
    BEGIN { n = split(ours, a, " "); for (i = 1; i <= n; i++) o[a[i]] }
    $2 ~ /^Z/ { next }
    { name = tolower($3) }
    name ~ /^wine/ && NF >= 5 { p = $5; sub(/.*[\\\/]/, "", p); name = substr(tolower(p), 1, 15) }
    name in o' || true
}

orv_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$orv_xvfb_pid" ] && kill "$orv_xvfb_pid" >/dev/null 2>&1 || true
}
