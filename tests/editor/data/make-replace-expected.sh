#!/bin/sh
# The expected results of the editor's replace-all tests, made by sed from replace-input.txt.
# Run from this folder: sh make-replace-expected.sh
LC_ALL=C sed 's/ab/xyz/g' replace-input.txt > replace-expected-g.txt
LC_ALL=C sed 's/ab/#/gI' replace-input.txt > replace-expected-gI.txt
LC_ALL=C sed 's/ab//g' replace-input.txt > replace-expected-delete.txt
