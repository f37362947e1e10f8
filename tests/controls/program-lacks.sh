#!/bin/sh
# program-lacks.sh NM PROGRAM PRESENT ABSENT
# Passes when the program's symbols name PRESENT (so the look is not blind) and never ABSENT.
nm=$1 program=$2 present=$3 absent=$4
symbols=$("$nm" -C "$program") || { echo "cannot read the symbols of $program"; exit 1; }
echo "$symbols" | grep -q "$present" || { echo "$program names no $present: nothing to compare with"; exit 1; }
if echo "$symbols" | grep -q "$absent"; then
    echo "$program holds code of $absent:"
    echo "$symbols" | grep "$absent" | head -5
    exit 1
fi
echo "$program holds $present and no $absent"
