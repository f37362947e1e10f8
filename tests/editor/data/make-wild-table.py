#!/usr/bin/env python3
# Makes WildPatternTable.inc, the table the pattern matcher's "*" and "?" are checked
# against: random patterns of a, b, 0xE4, "*" and "?" on random texts of the same bytes,
# each with what Python's own matchers say.
#   whole: fnmatch.fnmatchcase (the pattern must match the whole text)
#   length: re.match with "*" as ".*?", a trailing "*" as ".*" and "?" as "."; the end of the
#           match, -1 when there is none
# Run from this folder:  python3 make-wild-table.py > WildPatternTable.inc
import fnmatch
import random
import re

random.seed(20261207)
ALPHABET = ["a", "b", "\xe4"]


def regex_of(pattern):
    stripped = pattern.rstrip("*")
    out = []
    for c in stripped:
        if c == "*":
            out.append(".*?")
        elif c == "?":
            out.append(".")
        else:
            out.append(re.escape(c))
    if len(stripped) != len(pattern):
        out.append(".*")
    return "".join(out)


def c_literal(text):
    return '"' + "".join("\\%03o" % ord(c) for c in text) + '"'


rows = []
seen = set()
while len(rows) < 600:
    plen = random.randint(1, 8)
    pattern = "".join(random.choice(ALPHABET + ["*", "*", "?"]) for _ in range(plen))
    tlen = random.randint(0, 12)
    text = "".join(random.choice(ALPHABET) for _ in range(tlen))
    if (pattern, text) in seen:
        continue
    seen.add((pattern, text))
    whole = 1 if fnmatch.fnmatchcase(text, pattern) else 0
    m = re.match(regex_of(pattern), text, re.S)
    length = m.end() if m else -1
    rows.append((pattern, text, whole, length))

print("// Made by tests/editor/data/make-wild-table.py (python3 make-wild-table.py > WildPatternTable.inc).")
print("// pattern, text, fnmatchcase(text, pattern), end of re.match or -1")
for pattern, text, whole, length in rows:
    print("{ %s, %s, %d, %d }," % (c_literal(pattern), c_literal(text), whole, length))
