#!/bin/sh
# Starts or stops the Xvfb display and the Wine prefix shared by one test run.
#   wine-session.sh start <build dir>   (display number kept in <build>/wine/display)
#   wine-session.sh stop  <build dir>
set -u
cmd=$1
build=$(cd "$2" && pwd)
state="$build/wine"
mkdir -p "$state"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

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
  sh "$(dirname "$0")/wine-run.sh" "$build" --prefix-only || exit 1
  echo "Wine prefix $WINEPREFIX on display :$n"
  ;;
stop)
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  stop_display
  ;;
*)
  echo "usage: $0 start|stop <build dir>" >&2
  exit 2
  ;;
esac
