#!/bin/sh
# Runs velmora-cli as a user would, on the shipped examples, and checks what comes out: reports,
# JSON, plots, sessions read back, exit statuses and messages of bad input, and a batch that
# skips a broken file.
# Usage: cli_test.sh PATH/TO/velmora-cli EXAMPLES_DIR
set -u
CLI=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
EX=$(cd "$2" && pwd)
DATA=$(cd "$(dirname "$0")/../data/cif" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect_status STATUS DESCRIPTION command...: runs the command, stdout to $WORK/out, stderr to $WORK/err.
expect_status() {
  want=$1
  what=$2
  shift 2
  "$@" >"$WORK/out" 2>"$WORK/err"
  got=$?
  if [ "$got" -ne "$want" ]; then
    fail "$what: exit status $got, expected $want"
    sed 's/^/    /' "$WORK/err"
  fi
}

# stderr_has TEXT DESCRIPTION / stderr_empty DESCRIPTION
stderr_has() {
  grep -qF -- "$1" "$WORK/err" || { fail "$2: standard error lacks \"$1\""; sed 's/^/    /' "$WORK/err"; }
}
stderr_empty() {
  [ ! -s "$WORK/err" ] || { fail "$1: standard error not empty"; sed 's/^/    /' "$WORK/err"; }
}

cd "$WORK" || exit 1

# ---- simulate: the listing, by default to standard output ----
expect_status 0 "listing" "$CLI" simulate "$EX/quartz.cif"
stderr_empty "listing (no progress when piped)"
cp out listing.txt
grep -q '^Filename: quartz.cif (volume fraction: 100.00%)$' listing.txt || fail "listing names the crystal"
# Quartz 101: d = 3.3446 Å from a = 4.916, c = 5.4054 Å; 2θ = 26.629° for λ = 1.5405 Å; the strongest line.
python3 - listing.txt <<'EOF' || fail "listing holds quartz 101 as the strongest line"
import math, re, sys
rows = [l.split() for l in open(sys.argv[1]) if re.match(r"\[\s*\d+\]", l)]
d = 1 / math.sqrt(4 / 3 / 4.916**2 + 1 / 5.4054**2)
tth = 2 * math.degrees(math.asin(1.5405 / (2 * d)))
hit = [r for r in rows if abs(float(r[6]) - d) < 1e-3 and abs(float(r[7]) - tth) < 1e-2]
assert len(hit) == 1 and float(hit[0][9]) == 100.0, hit
EOF

# ---- JSON: valid, the same reflexions as the listing, x on the chosen axis ----
expect_status 0 "json" "$CLI" simulate "$EX/quartz.cif" --json -
python3 - out listing.txt <<'EOF' || fail "JSON matches the listing"
import json, re, sys
doc = json.load(open(sys.argv[1]))
(c,) = doc["crystals"]
assert c["name"] == "quartz.cif" and c["cell"]["c"] == 5.4054 and c["cell"]["gamma"] == 120
assert abs(c["volume"] - 113.13) < 0.01 and c["density"] > 2600
refs = c["reflexions"]
rows = [l.split() for l in open(sys.argv[2]) if re.match(r"\[\s*\d+\]", l)]
assert len(refs) == len(rows)
for r, row in zip(refs, rows):
    assert [r["h"], r["k"], r["l"]] == [int(v) for v in row[3:6]]
    assert abs(r["d"] - float(row[6])) < 1e-5 and abs(r["x"] - float(row[7])) < 1e-4
    assert r["multiplicity"] == int(row[10]) and r["intensity"] > 0
EOF
expect_status 0 "json on the d axis" "$CLI" simulate "$EX/quartz.cif" --axis d --json -
python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["crystals"][0]["reflexions"]; assert all(x["x"]==x["d"] for x in r)' out \
  || fail "x is the d-spacing on the d axis"

# ---- plots: PNG of the size asked, SVG, PDF ----
expect_status 0 "plots" "$CLI" simulate "$EX/quartz.cif" --width 640 --height 400 --labels --plot q.png --plot q.svg --plot q.pdf
stderr_empty "plots"
python3 - q.png <<'EOF' || fail "PNG of 640 x 400 pixels"
import struct, sys
b = open(sys.argv[1], "rb").read(24)
assert b[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", b[16:24]) == (640, 400)
EOF
grep -q '<svg' q.svg || fail "SVG drawing"
head -c 5 q.pdf | grep -q '%PDF-' || fail "PDF file"

# ---- profile, structure factors, measured data with the residual ----
expect_status 0 "profile" "$CLI" simulate "$EX/quartz.cif" --xrange 5:80 --channel 0.5 --profile p.txt --fhkl f.txt
[ "$(head -n 1 p.txt)" = "$(printf 'x\t"quartz.cif"')" ] || fail "profile heading"
[ "$(wc -l <p.txt)" -eq 151 ] || fail "profile of (80 - 5) / 0.5 = 150 rows"
grep -q 'F(Re)' f.txt || fail "structure-factor table"
expect_status 0 "data with residual" "$CLI" simulate "$EX/quartz.cif" "$EX/quartz_synthetic_cuka.xy" --residual --plot r.png
[ -s r.png ] || fail "plot with measured data"

# ---- a session written and read back gives the same reflexions ----
expect_status 0 "session" "$CLI" simulate "$EX/quartz.cif" "$EX/calcite.cif" --fractions 3,1 --session s.vlmf --listing two.txt
expect_status 0 "session read" "$CLI" simulate s.vlmf
sed -n '/^REFLECTIONS LIST/,$p' two.txt >a.txt
sed -n '/^REFLECTIONS LIST/,$p' out >b.txt
[ -s a.txt ] && cmp -s a.txt b.txt || fail "session read back lists the same reflexions"
grep -q 'calcite.cif (volume fraction: 25.00%)' out || fail "session keeps the volume fractions"

# ---- numbers stay C under a decimal-comma locale, with Qt started for a plot ----
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  expect_status 0 "comma locale" env LC_ALL=de_DE.UTF-8 "$CLI" simulate "$EX/quartz.cif" --plot l.png --json -
  cp out comma.json
  expect_status 0 "C locale" env LC_ALL=C "$CLI" simulate "$EX/quartz.cif" --json -
  cmp -s out comma.json || fail "JSON the same under a decimal-comma locale"
fi

# ---- bad input: a clear message and a non-zero status ----
expect_status 1 "missing file" "$CLI" simulate nothere.cif
stderr_has "nothere.cif: error: no such file or folder" "missing file"
printf 'not a cif\n' >broken.cif
expect_status 1 "broken CIF" "$CLI" simulate broken.cif --listing never.txt
stderr_has "broken.cif: error:" "broken CIF"
[ ! -e never.txt ] || fail "nothing written for a broken input"
expect_status 2 "unknown option" "$CLI" simulate "$EX/quartz.cif" --frobnicate
expect_status 2 "bad number" "$CLI" simulate "$EX/quartz.cif" --lambda 1,5
expect_status 2 "plot format" "$CLI" simulate "$EX/quartz.cif" --plot q.gif
expect_status 2 "x range" "$CLI" simulate "$EX/quartz.cif" --xrange 80:5
stderr_has "--xrange" "x range"
expect_status 2 "fractions" "$CLI" simulate "$EX/quartz.cif" --fractions 1,1
expect_status 2 "unknown command" "$CLI" simulate-all "$EX/quartz.cif"
# A detector at 0° diffracts nothing: refused where it is given, not run to a pattern of nulls.
expect_status 2 "energy detector at 0" "$CLI" simulate "$EX/quartz.cif" --axis energy --detector-2theta 0
stderr_has "--detector-2theta must lie above 0" "energy detector at 0"
expect_status 2 "energy detector at 180" "$CLI" simulate "$EX/quartz.cif" --axis energy --detector-2theta 180
# A pattern cut short by the reflexion limit says where it stops and how to lift the limit.
expect_status 0 "reflexion cap" "$CLI" simulate "$EX/quartz.cif" --max-refs 40 --listing cap.txt
stderr_has "The pattern stops at d = " "reflexion cap"
stderr_has "--max-refs all" "reflexion cap"
expect_status 0 "background" "$CLI" simulate "$EX/quartz.cif" --background 5,0.1,20 --zero 0.05 --profile bg.txt
expect_status 2 "bad background" "$CLI" simulate "$EX/quartz.cif" --background 5,x
expect_status 1 "output folder missing" "$CLI" simulate "$EX/quartz.cif" --listing nowhere/l.txt
stderr_has "nowhere/l.txt: error:" "output folder missing"
expect_status 0 "help" "$CLI" batch --help
grep -q -- '--outputs' out || fail "batch help lists its options"

# ---- batch: every file on its own; a broken one reported and skipped ----
mkdir -p in/sub
cp "$EX/quartz.cif" in/a.cif
cp "$EX/rutile.cif" in/sub/b.cif
cp "$EX/quartz.cif" in/sub/a.cif
cp broken.cif in/broken.cif
cp "$EX/quartz_synthetic_cuka.xy" in/
expect_status 1 "batch with a broken file" "$CLI" batch -j 2 --out res --outputs listing,json,png in
stderr_has "in/broken.cif: error:" "batch reports the broken file"
stderr_has "3 of 4 files simulated, 1 failed" "batch summary"
for f in "a Listing.txt" a.json a.png "a-2 Listing.txt" a-2.json b.json; do
  [ -s "res/$f" ] || fail "batch wrote res/$f"
done
[ ! -e "res/broken.json" ] || fail "nothing written for the broken file"
python3 -c 'import json,sys; assert json.load(open(sys.argv[1]))["crystals"][0]["name"]=="b.cif"' res/b.json \
  || fail "batch JSON names its crystal"
expect_status 0 "batch of good files" "$CLI" batch --out res2 --outputs session --axis d in/a.cif in/sub/b.cif
stderr_empty "batch of good files"
expect_status 0 "batch session read" "$CLI" simulate res2/b.vlmf --json -
python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["crystals"][0]["reflexions"]; assert r and all(x["x"]==x["d"] for x in r)' out \
  || fail "batch session keeps the d axis"

# ---- outputs that are not plain files ----
expect_status 0 "JSON to /dev/null" "$CLI" simulate "$EX/quartz.cif" --json /dev/null
[ -c /dev/null ] || fail "/dev/null is still a device"
mkdir -p elsewhere
echo old >elsewhere/target.txt
ln -s elsewhere/target.txt link.txt
expect_status 0 "listing through a link" "$CLI" simulate "$EX/quartz.cif" --listing link.txt
[ -L link.txt ] || fail "the link stays a link"
grep -q '^Filename: quartz.cif' elsewhere/target.txt || fail "the file the link points to holds the listing"
expect_status 0 "plot through a link" "$CLI" simulate "$EX/quartz.cif" --plot linked.png
ln -s linked.png plot-link.png
expect_status 0 "plot replaced through a link" "$CLI" simulate "$EX/quartz.cif" --plot plot-link.png
[ -L plot-link.png ] || fail "a plot written through a link leaves the link"
mkfifo listing.fifo
cat listing.fifo >from-fifo.txt &
reader=$!
expect_status 0 "listing into a named pipe" "$CLI" simulate "$EX/quartz.cif" --listing listing.fifo
wait "$reader"
[ -p listing.fifo ] || fail "the named pipe stays a pipe"
grep -q '^Filename: quartz.cif' from-fifo.txt || fail "the pipe's reader got the listing"
mkdir -p out.json
expect_status 1 "JSON to a folder" "$CLI" simulate "$EX/quartz.cif" --json out.json
stderr_has "folder" "a folder as output is refused with a message"
[ -d out.json ] || fail "the folder is left alone"

# ---- what the CIF reader decided, on standard error ----
expect_status 0 "CIF notes" "$CLI" simulate "$DATA/gypsum_labels.cif" "$DATA/silicon_bare_name.cif" --listing notes.txt
stderr_has "gypsum_labels.cif: note: Elements taken from the site labels" "elements from labels named"
stderr_has "WatOW → O" "the water oxygen is oxygen"
stderr_has "silicon_bare_name.cif: note: The space group “F d -3 m” does not say its origin choice" "origin choice named"
expect_status 0 "CIF notes of several blocks" "$CLI" simulate "$DATA/one_bad_block.cif" --listing blocks.txt
stderr_has "one_bad_block.cif: note: Data block “broken” was skipped" "bad block named"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all velmora-cli checks passed"
