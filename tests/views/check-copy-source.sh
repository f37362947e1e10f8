#!/bin/sh
# Reads back the copy-as-source cases that the views suite wrote (CppArrayFormatTest) with
# the host's own tools and compares the bytes with what each case expects: C arrays, string
# and character literals by gcc (GNU mode, no trigraphs, every byte as it stands), Base64 by
# base64 -d, the dump by xxd -r -p, assembler by nasm -f bin.
set -u
dir=$1
if ! ls "$dir"/*.txt >/dev/null 2>&1; then
  echo "no cases in $dir: the views suite writes them"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# All C cases in one program: each case file is included as the initialiser it is.
c=$work/cases.c
{
  echo '#include <stdint.h>'
  echo '#include <stdio.h>'
  echo 'static void put(const char *name, const void *data, size_t size)'
  echo '{ FILE *f = fopen(name, "wb"); fwrite(data, 1, size, f); fclose(f); }'
} > "$c"
main=$work/main.inc
: > "$main"
for f in "$dir"/*.txt; do
  name=$(basename "$f" .txt)
  id=${name%%-*}
  kind=${name#*-}
  case $kind in
    c8|c16|c32|c64)
      printf 'static const uint%s_t a%s[] = {\n#include "%s"\n};\n' "${kind#c}" "$id" "$f" >> "$c"
      printf 'put("%s/%s.out", a%s, sizeof a%s);\n' "$work" "$id" "$id" "$id" >> "$main" ;;
    str)
      printf 'static const char a%s[] =\n#include "%s"\n;\n' "$id" "$f" >> "$c"
      printf 'put("%s/%s.out", a%s, sizeof a%s - 1);\n' "$work" "$id" "$id" "$id" >> "$main" ;;
    chars)
      printf 'static const char a%s[] = {\n#include "%s"\n};\n' "$id" "$f" >> "$c"
      printf 'put("%s/%s.out", a%s, sizeof a%s);\n' "$work" "$id" "$id" "$id" >> "$main" ;;
    b64) base64 -d < "$f" > "$work/$id.out" ;;
    dump) xxd -r -p < "$f" > "$work/$id.out" ;;
    asm) nasm -f bin -o "$work/$id.out" "$f" ;;
    *) echo "unknown case $f"; exit 1 ;;
  esac
done
{
  echo 'int main(void) {'
  echo "#include \"$main\""
  echo 'return 0; }'
} >> "$c"
gcc -std=gnu11 -finput-charset=ISO-8859-1 -fexec-charset=ISO-8859-1 -o "$work/cases" "$c" || exit 1
"$work/cases" || exit 1

failed=0
total=0
for f in "$dir"/*.txt; do
  name=$(basename "$f" .txt)
  id=${name%%-*}
  total=$((total + 1))
  if ! cmp -s "$work/$id.out" "$dir/$id.expected"; then
    echo "differs: $f"
    failed=$((failed + 1))
  fi
done
echo "$((total - failed)) of $total copy-as-source cases read back"
[ "$failed" -eq 0 ]
