# What the scripts that make the fixture images share; sourced with the output folder in
# `out`. It makes that folder and changes into it, with the C locale, mtools' check of an
# image's geometry off (an image need not have a floppy's) and the administrator's tools
# (mkfs, sfdisk, sgdisk) on the path.
mkdir -p "$out" || exit 1
cd "$out" || exit 1
export LC_ALL=C
export MTOOLS_SKIP_CHECK=1
PATH=$PATH:/usr/sbin:/sbin

have() { command -v "$1" >/dev/null 2>&1; }
note() { echo "$(basename "$0" .sh): $*" >&2; }

# report <image> <name> <command...>: the command's output into <image>.<name>.txt
report() {
  img=$1; name=$2; shift 2
  if have "$1"; then
    "$@" >"$img.$name.txt" 2>&1 || note "$name on $img returned $?"
  else
    note "$1 missing: no $name report for $img"
  fi
}

# build <image> <function>: runs the function on <image>.tmp and renames on success.
build() {
  img=$1; fn=$2
  [ -f "$img" ] && return 0
  rm -f "$img.tmp"
  if $fn "$img.tmp" >"$img.log" 2>&1; then
    mv "$img.tmp" "$img"
  else
    note "could not make $img (see $out/$img.log)"
    rm -f "$img.tmp"
  fi
}
