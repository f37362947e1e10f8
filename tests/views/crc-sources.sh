#!/bin/sh
# Compiles the C sources the CRC calculator wrote (the views suite's CrcModel test puts them
# into <dir>) with the host's gcc, warnings as errors and undefined behaviour trapped, runs
# them and compares each table rebuilt by its own generator and each CRC of "123456789" with
# what the calculator showed.
set -eu
dir=$1
cd "$dir"
gcc -std=gnu11 -Wall -Wextra -Werror -fsanitize=undefined -fno-sanitize-recover=all \
    '-D__int64=long long' -o crc-all crc-all.c
./crc-all > actual.txt
diff -u expected.txt actual.txt
echo "$(wc -l < expected.txt) generated sources agree with the calculator"
