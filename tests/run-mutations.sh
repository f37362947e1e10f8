#!/usr/bin/env bash
# The mutation check: plants each deliberate fault of tests/mutations.txt, one at a time, in a
# scratch copy of this working tree, builds that folder's test program and runs that folder's
# suite. A fault is caught when the suite fails; a suite that still passes has missed it.
#
#   tests/run-mutations.sh [--list FILE] [--scratch DIR] [--jobs N] [WHICH...]
#
# WHICH narrows the run to mutation numbers (7, 12-15) or folders (disk, app). The scratch
# copy (default /tmp/sl-mutations-$USER) keeps its build tree and Wine prefix between runs,
# so only the first run builds everything. Not part of `make test`: it takes long.
#
# Lines of the list are matched by their content (leading and trailing blanks aside), not by
# their number, so the list survives edits elsewhere in a file. A line that is no longer there,
# or that is there more than once, is reported as "stale" and counted apart.
set -u
top=$(git rev-parse --show-toplevel 2>/dev/null) || { echo "not in a git checkout" >&2; exit 2; }
list="$top/tests/mutations.txt"
scratch="/tmp/sl-mutations-${USER:-$(id -un)}"
jobs=3
which=()
while [ $# -gt 0 ]; do
  case "$1" in
  --list) list=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
  --scratch) scratch=$2; shift 2 ;;
  --jobs) jobs=$2; shift 2 ;;
  -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
  *) which+=("$1"); shift ;;
  esac
done
[ -f "$list" ] || { echo "no mutation list: $list" >&2; exit 2; }
src="$scratch/src"
build="$scratch/build"
log="$scratch/log"
mkdir -p "$scratch" "$log"

# The mutations as tab-separated rows: number, folder, file, line as it is, line as it becomes.
rows=$(python3 - "$list" <<'EOF'
import sys
n = 0
for raw in open(sys.argv[1], encoding="utf-8"):
    line = raw.rstrip("\n")
    if not line.strip() or line.lstrip().startswith("#"):
        continue
    parts = [p.strip() for p in line.split(" @@ ")]
    n += 1
    if len(parts) != 3 or not all(parts):
        print(f"{n}\t?\t?\t{line}\t", flush=True)
        continue
    print(f"{n}\t{parts[0].split('/')[0]}\t{parts[0]}\t{parts[1]}\t{parts[2]}")
EOF
)

selected() {   # number folder
  [ ${#which[@]} -eq 0 ] && return 0
  local w
  for w in "${which[@]}"; do
    case "$w" in
    *-*) [ "$1" -ge "${w%-*}" ] && [ "$1" -le "${w#*-}" ] && return 0 ;;
    [0-9]*) [ "$1" -eq "$w" ] && return 0 ;;
    *) [ "$2" = "$w" ] && return 0 ;;
    esac
  done
  return 1
}

# A fresh copy of the working tree (tracked and new files, as they are now), with the files'
# times kept so that the build tree only rebuilds what changed since the last run.
echo "copying $top to $src"
rm -rf "$src.last"
[ -d "$src" ] && mv "$src" "$src.last"
mkdir -p "$src"
(cd "$top" && git ls-files -co --exclude-standard -z | xargs -0 -r sh -c 'for f; do [ -f "$f" ] && printf "%s\0" "$f"; done' sh |
  tar -cf - --null -T -) | (cd "$src" && tar -xpf -) || { echo "copy failed" >&2; exit 2; }
# A file whose content is not the last copy's is touched: its kept time may be older than an
# object the last run built from other content.
if [ -d "$src.last" ]; then
  (cd "$src" && find . -type f) | while read -r f; do
    cmp -s "$src/$f" "$src.last/$f" || touch "$src/$f"
  done
  rm -rf "$src.last"
fi
# Every file a mutant was built from has an object newer than the copy's original (the copy
# keeps the working tree's times), whether the run that built it finished or was interrupted:
# touched, it is built again from the original.
if [ -f "$scratch/mutated" ]; then
  sort -u "$scratch/mutated" | while read -r f; do [ -f "$src/$f" ] && touch "$src/$f"; done
  rm -f "$scratch/mutated"
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" >"$log/configure.txt" 2>&1 ||
    { echo "configure failed: $log/configure.txt" >&2; exit 2; }
fi
echo "building the unchanged copy (JOBS=$jobs)"
cmake --build "$build" -j "$jobs" >"$log/build.txt" 2>&1 || { echo "build failed: $log/build.txt" >&2; exit 2; }

# Runs one folder's suite; prints passed, failed (the suite itself) or error (its set-up).
run_suite() {   # folder limit-seconds output-file
  rm -f "$build/Testing/Temporary/LastTestsFailed.log"
  (cd "$build" && timeout --kill-after=20 "$2" ctest -R "^$1\$" --output-on-failure) </dev/null >"$3" 2>&1
  local rc=$?
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    # The suite hung: that is a fault shown, but the display and the Wine server stay behind.
    sh "$src/cmake/wine-session.sh" stop "$build" >/dev/null 2>&1
    echo failed
  elif [ $rc -eq 0 ]; then
    echo passed
  elif grep -q ":$1\$" "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null; then
    echo failed
  else
    echo error
  fi
}

declare -A baseline limit
for folder in $(printf '%s\n' "$rows" | while IFS=$'\t' read -r n f _; do selected "$n" "$f" && echo "$f"; done | sort -u); do
  [ "$folder" = "?" ] && continue
  start=$(date +%s)
  baseline[$folder]=$(run_suite "$folder" 1800 "$log/baseline-$folder.txt")
  took=$(( $(date +%s) - start ))
  limit[$folder]=$(( took * 3 > 180 ? took * 3 : 180 ))
  echo "suite $folder without mutation: ${baseline[$folder]} (${took}s)"
done

caught=0 missed=0 stale=0 broken=0 unjudged=0
missedList=""
results="$scratch/results.txt"
: >"$results"
printf '%s\n' "$rows" >"$scratch/rows.txt"
# The rows come on descriptor 3, so that nothing the loop runs can read them away.
while IFS=$'\t' read -r n folder file before after <&3; do
  selected "$n" "$folder" || continue
  if [ "$folder" = "?" ]; then
    verdict="broken (not 'file @@ line @@ line')"
  elif [ "${baseline[$folder]}" != passed ]; then
    verdict="unjudged (suite $folder fails without mutation)"
  else
    backup="$scratch/original"
    applied=$(python3 - "$src/$file" "$before" "$after" "$backup" <<'EOF'
import sys, shutil
path, before, after, backup = sys.argv[1:5]
try:
    text = open(path, encoding="utf-8", newline="").read()
except OSError:
    print("missing"); sys.exit()
lines = text.splitlines(keepends=True)
hits = [i for i, l in enumerate(lines) if l.strip() == before]
if len(hits) != 1:
    print("absent" if not hits else f"ambiguous ({len(hits)} lines)"); sys.exit()
shutil.copyfile(path, backup)
l = lines[hits[0]]
indent = l[:len(l) - len(l.lstrip())]
ending = l[len(l.rstrip("\r\n")):]
lines[hits[0]] = indent + after + ending
open(path, "w", encoding="utf-8", newline="").write("".join(lines))
print(f"line {hits[0] + 1}")
EOF
)
    case "$applied" in
    line*)
      echo "$file" >>"$scratch/mutated"
      if ! cmake --build "$build" --target "test_$folder" -j "$jobs" >"$log/build-$n.txt" 2>&1; then
        verdict="broken (does not build: $log/build-$n.txt)"
      else
        case $(run_suite "$folder" "${limit[$folder]}" "$log/run-$n.txt") in
        failed) verdict=caught ;;
        passed) verdict=missed ;;
        *) verdict="unjudged (suite set-up failed: $log/run-$n.txt)" ;;
        esac
      fi
      # Written anew, not copied with its old time: the next build must see the change.
      cat "$scratch/original" >"$src/$file"
      ;;
    *) verdict="stale ($file: $applied)" ;;
    esac
  fi
  case "$verdict" in
  caught) caught=$((caught + 1)) ;;
  missed) missed=$((missed + 1)); missedList="$missedList $n" ;;
  stale*) stale=$((stale + 1)) ;;
  broken*) broken=$((broken + 1)) ;;
  *) unjudged=$((unjudged + 1)) ;;
  esac
  line=$(printf '%3s %-9s %-8s %s: %s' "$n" "$folder" "${verdict%% *}" "$file" "$after")
  [ "${verdict%% *}" = "$verdict" ] || line="$line  [${verdict#* }]"
  if [ "$verdict" = caught ]; then
    tests=$(grep -o '^\[  FAILED  \] [A-Za-z_][A-Za-z0-9_/.]*' "$log/run-$n.txt" | sed 's/.*\] //' | sort -u | head -3 | tr '\n' ' ')
    [ -n "$tests" ] && line="$line  <- $tests"
  fi
  echo "$line" | tee -a "$results"
done 3<"$scratch/rows.txt"

summary="caught $caught, missed $missed, stale $stale, broken $broken, unjudged $unjudged"
[ -n "$missedList" ] && summary="$summary (missed:$missedList)"
echo "$summary" | tee -a "$results"
[ $missed -eq 0 ] && [ $stale -eq 0 ] && [ $broken -eq 0 ] && [ $unjudged -eq 0 ]
