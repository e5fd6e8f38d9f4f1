#!/bin/sh
# velmora-cli batch as the jobs of a cluster run it: two shards of one input list cover every
# input exactly once, and a run killed in the middle leaves only complete outputs, which
# --resume then skips while it does the rest.
# Usage: batch_scale_test.sh PATH/TO/velmora-cli EXAMPLES_DIR
set -u
CLI=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
EX=$(cd "$2" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# An input list of 3 x 12 structures in nested folders, with names repeated across folders.
for set in a b c; do
  mkdir -p "$WORK/in/$set"
  cp "$EX"/*.cif "$WORK/in/$set/"
done
inputs=$(find "$WORK/in" -name '*.cif' | wc -l)

# ---- two shards: every input in exactly one, outputs named alike by both ----
for k in 1 2; do
  "$CLI" batch --shard "$k/2" --out "$WORK/out" --outputs listing "$WORK/in" 2>"$WORK/err$k" ||
    { fail "shard $k/2 failed"; cat "$WORK/err$k"; }
done
python3 - "$WORK/out" "$WORK/in" "$inputs" <<'PY' || fail "the two shards cover every input exactly once"
import json, os, sys
out, root, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
parts = [json.load(open(os.path.join(out, f"velmora-batch-{k}-of-2.json"))) for k in (1, 2)]
done = [e["input"] for p in parts for e in p["simulated"]]
assert all(p["refused"] == [] and p["skipped"] == [] for p in parts), parts
assert [p["shard"] for p in parts] == [{"index": 1, "count": 2}, {"index": 2, "count": 2}]
assert abs(parts[0]["inputs"] - parts[1]["inputs"]) <= 1
found = sorted(os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs)
assert sorted(done) == found and len(done) == count, (len(done), count)
written = [o for p in parts for e in p["simulated"] for o in e["outputs"]]
assert len(set(written)) == count, "two inputs wrote to one file"
assert sorted(os.listdir(out)) == sorted([os.path.basename(o) for o in written] + ["velmora-batch-1-of-2.json", "velmora-batch-2-of-2.json"])
PY

# ---- a shard that gets no input still succeeds and says so ----
mkdir "$WORK/one" && cp "$EX/quartz.cif" "$WORK/one/"
"$CLI" batch --shard 2/3 --out "$WORK/empty" "$WORK/one" 2>"$WORK/err" || fail "an empty shard fails"
grep -q '"inputs": 0' "$WORK/empty/velmora-batch-2-of-3.json" || fail "the empty shard's summary"
for bad in 0/3 4/3 3 x/y; do
  "$CLI" batch --shard "$bad" --out "$WORK/bad" "$WORK/one" 2>"$WORK/err"
  [ $? -eq 2 ] || fail "--shard $bad is not a usage error"
done
[ ! -e "$WORK/bad" ] || fail "a wrong --shard created the output folder"

# ---- killed in the middle, then resumed ----
"$CLI" batch -j 1 --out "$WORK/killed" --outputs listing,png "$WORK/in" 2>/dev/null &
pid=$!
tries=0
while [ "$(find "$WORK/killed" -name '*.png' 2>/dev/null | wc -l)" -lt 4 ] && [ $tries -lt 600 ]; do
  sleep 0.05
  tries=$((tries + 1))
done
kill -9 "$pid" 2>/dev/null || fail "the batch ended before it could be killed"
wait "$pid" 2>/dev/null
before=$(find "$WORK/killed" -name '*.png' | wc -l)
[ "$before" -lt "$inputs" ] || fail "the batch was not killed in the middle"
[ ! -e "$WORK/killed/velmora-batch.json" ] || fail "a killed run wrote a summary"
python3 - "$WORK/killed" <<'PY' || fail "a killed run left a half-written output"
import os, sys
for name in os.listdir(sys.argv[1]):
    path = os.path.join(sys.argv[1], name)
    data = open(path, "rb").read()
    if name.endswith(".png"):
        assert data.startswith(b"\x89PNG") and data.endswith(b"IEND\xaeB`\x82"), name
    elif name.endswith(" Listing.txt"):
        assert data.endswith(b"\n") and b"Filename:" in data, name
PY
"$CLI" batch -j 2 --resume --out "$WORK/killed" --outputs listing,png "$WORK/in" 2>"$WORK/err" ||
  { fail "the resumed batch failed"; cat "$WORK/err"; }
python3 - "$WORK/killed" "$inputs" "$before" <<'PY' || fail "the resumed batch did the rest, and only the rest"
import json, os, sys
out, count, before = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
s = json.load(open(os.path.join(out, "velmora-batch.json")))
assert s["refused"] == [] and s["inputs"] == count, s
# Inputs with both outputs are skipped; the one killed between its two outputs is done again.
assert before - 1 <= len(s["skipped"]) <= before, (len(s["skipped"]), before)
assert len(s["skipped"]) + len(s["simulated"]) == count
assert not set(e["input"] for e in s["skipped"]) & set(e["input"] for e in s["simulated"])
for e in s["simulated"]:
    assert all(os.path.isfile(o) for o in e["outputs"]), e
assert sum(n.endswith(".png") for n in os.listdir(out)) == count
PY
# Resumed again: nothing left to do.
"$CLI" batch --resume --out "$WORK/killed" --outputs listing,png "$WORK/in" 2>"$WORK/err" || fail "second resume failed"
grep -q '"simulated": \[\]' "$WORK/killed/velmora-batch.json" || fail "a complete batch resumed did work again"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all batch scale checks passed"
