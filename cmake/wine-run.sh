#!/bin/sh
# Runs a Windows program of this build under Wine (CMake's cross-compiling emulator).
#   wine-run.sh [--tests] <build dir> <program.exe> [arguments...]
#   wine-run.sh [--tests] <build dir> --prefix-only      (only create the prefix)
# Two prefixes per build tree, each created once with wineboot and kept between runs: the
# program's own (wineprefix/, where `make run` keeps the user's settings) and, with --tests,
# the one of the test suites, benchmarks and fuzzing (wineprefix-tests/), which delete and
# change the program's registry key at will. No debug output; ANSI code page 1252. The
# display is, for --tests, the test run's shared Xvfb when one is up; else $DISPLAY, else a
# private Xvfb for this call alone.
set -u
prefix=wineprefix
if [ "${1:-}" = --tests ]; then
  prefix=wineprefix-tests
  shift
fi
build=$(cd "$1" && pwd)
shift
export WINEPREFIX="$build/$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes the ANSI code page from the Unix locale; C.UTF-8 gives 1252.
export LC_ALL=C.UTF-8
export LANG=C.UTF-8

private_xvfb=""
cleanup() {
  if [ -n "$private_xvfb" ]; then
    wineserver -k 2>/dev/null
    kill "$private_xvfb" 2>/dev/null
  fi
}
trap cleanup EXIT INT TERM

if [ "$prefix" = wineprefix-tests ] && [ -f "$build/wine/display" ] && [ -e "/tmp/.X11-unix/X$(cut -c2- "$build/wine/display")" ]; then
  export DISPLAY="$(cat "$build/wine/display")"
elif [ -n "${DISPLAY:-}" ]; then
  :
else
  n=121
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  private_xvfb=$!
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  export DISPLAY=":$n"
fi

# Create the prefix once; a lock keeps parallel first runs from doing it twice.
mkdir -p "$build/wine"
if [ ! -f "$WINEPREFIX/.sektorlupe-ready-2" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.sektorlupe-ready-2" ]; then
      wineboot -i >/dev/null 2>&1
      # Without a window manager on Xvfb, Wine waits about two seconds for every managed
      # top-level window that is hidden; unmanaged windows need no manager at all.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      # A crashing test must end its process, not wait behind the debugger's dialog until
      # the suite's time-out.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.sektorlupe-ready-2"
    fi
  ) 9>"$build/wine/$prefix.lock"
fi
[ "${1:-}" = "--prefix-only" ] && exit 0

wine "$@"
rc=$?
exit $rc
