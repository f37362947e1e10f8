#!/bin/sh
# Starts or stops the Xvfb display and the Wine prefix shared by one test run (the tests'
# own prefix, never the one `make run` keeps the user's settings in), and checks at the end
# that the program's settings in that other prefix are as the run found them.
#   wine-session.sh start <build dir>   (display number kept in <build>/wine/display)
#   wine-session.sh stop  <build dir>
#   wine-session.sh check <build dir>
set -u
cmd=$1
build=$(cd "$2" && pwd)
state="$build/wine"
mkdir -p "$state"
export WINEPREFIX="$build/wineprefix-tests"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The program's settings in the prefix of `make run`: its registry key's sections as Wine
# stores them, less the times Wine stamps on them; "absent" while that prefix has none.
run_settings() {
  reg="$build/wineprefix/user.reg"
  if [ ! -f "$reg" ]; then
    echo absent
    return
  fi
  awk '/^\[/ { keep = index($0, "[Software\\\\QN\\\\Sektorlupe") == 1; if (keep) { sub(/\] [0-9]+$/, "]"); print } next }
       keep && !/^#time=/ { print }' "$reg"
}

stop_display() {
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid"
  fi
  rm -f "$state/display"
}

case "$cmd" in
start)
  stop_display
  # A free display number: no X socket and no lock for it.
  n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  echo ":$n" >"$state/display"
  export DISPLAY=":$n"
  # Any server left from a run with another display would keep that display: end it first.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  run_settings >"$state/run-settings.before"
  sh "$(dirname "$0")/wine-run.sh" --tests "$build" --prefix-only || exit 1
  echo "Wine prefix $WINEPREFIX on display :$n"
  ;;
stop)
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  stop_display
  ;;
check)
  if ! run_settings | cmp -s - "$state/run-settings.before"; then
    echo "The settings that 'make run' keeps in $build/wineprefix changed during the test run:" >&2
    run_settings | diff "$state/run-settings.before" - >&2
    exit 1
  fi
  echo "The settings of $build/wineprefix are as the test run found them."
  ;;
*)
  echo "usage: $0 start|stop|check <build dir>" >&2
  exit 2
  ;;
esac
