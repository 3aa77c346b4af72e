#!/usr/bin/env bash
# pak against zip and unzip on the same files, side by side in one run:
#   create  pak create --level 6           vs  zip -r -6        goal: at most 0.6 of zip's time
#   extract pak extract (compressed pack)  vs  unzip -q         goal: at most 1.1 of unzip's time
#   list    pak list (100,000 entries)     vs  unzip -l         goal: at most 0.5 of unzip's time
# Makes its own input (a few hundred MB of mixed files) under build/bench-pak, builds pak in
# the Release preset of the benchmarks (bench), and prints the median of RUNS timed runs of
# each command after one untimed run, pak's and the other's runs taking turns.
# Usage: bash bench/pak/run.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${1:-5}
work=$root/build/bench-pak

bash scripts/install-deps.sh

echo "=== building pak (Release)"
cmake --preset bench >/dev/null
cmake --build --preset bench --target pak -j2 >/dev/null
pak=$root/build/bench/tools/pak/pak

make_input() {  # the mixed files, once
  [ -f "$work/input.done" ] && return
  echo "=== making the input in $work"
  rm -rf "$work" && mkdir -p "$work"
  python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
rng = random.Random(20240611)
def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
words = [bytes(rng.choices(b"abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 10))) for _ in range(5000)]
def text(size):
    lines, total = [], 0
    while total < size:
        line = b" ".join(rng.choices(words, k=rng.randint(4, 14))) + b"\n"
        lines.append(line)
        total += len(line)
    return b"".join(lines)[:size]
# Text: 24 files of 4 MB, built from shuffled pieces so that no two are alike.
pieces = [text(256 * 1024) for _ in range(16)]
for i in range(24):
    rng.shuffle(pieces)
    write(f"{work}/in/text/book{i:02}.txt", b"".join(pieces))
# Compressible binary: 4 bits of entropy a byte, with runs, 16 files of 5 MB.
low = bytes(range(16)) * 16
for i in range(16):
    data = bytearray(rng.randbytes(5 * 1024 * 1024).translate(low))
    for at in range(0, len(data), 4096):
        data[at:at + 512] = bytes(512)
    write(f"{work}/in/binary/table{i:02}.dat", bytes(data))
# Incompressible: 10 files of 8 MB of random bytes, as media would be.
for i in range(10):
    write(f"{work}/in/media/clip{i:02}.ogg", rng.randbytes(8 * 1024 * 1024))
# Many small files: 20,000 of 1 to 4 KB of text in 100 folders.
for i in range(20000):
    write(f"{work}/in/small/d{i % 100:03}/f{i:05}.txt", text(rng.randint(1024, 4096)))
# The list test: 100,000 tiny files.
for i in range(100000):
    write(f"{work}/many/m{i % 1000:03}/e{i:06}.txt", b"entry %d\n" % i)
PY
  touch "$work/input.done"
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

seconds() {  # seconds PREPARE COMMAND: the wall time of one run of COMMAND, PREPARE untimed before it
  local start end
  eval "$1"
  start=$(date +%s.%N)
  eval "$2" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

# compare WHAT GOAL PAK_PREPARE PAK_COMMAND OTHER_PREPARE OTHER_COMMAND: one untimed run of each,
# then $runs timed runs taking turns, so that both meet the same load; the medians and their ratio.
compare() {
  local i pak_times="" other_times=""
  seconds "$3" "$4" >/dev/null; seconds "$5" "$6" >/dev/null
  for ((i = 0; i < runs; i++)); do
    pak_times+="$(seconds "$3" "$4")"$'\n'
    other_times+="$(seconds "$5" "$6")"$'\n'
  done
  awk -v what="$1" -v goal="$2" -v p="$(printf '%s' "$pak_times" | median)" -v o="$(printf '%s' "$other_times" | median)" \
    'BEGIN { printf "%-8s pak %7.3f s   other %7.3f s   ratio %.3f   goal <= %s   %s\n", what, p, o, p / o, goal,
             (p / o <= goal) ? "met" : "MISSED" }'
}

# cpu WHAT PREPARE COMMAND: one run's wall and processor seconds; more processor than wall time
# is work done on several cores at once.
cpu() {
  local TIMEFORMAT="%R %U %S"
  eval "$2"
  { time eval "$3" >/dev/null; } 2>&1 | awk -v what="$1" '{ printf "  %-28s %6.2f s wall, %6.2f s processor\n", what, $1, $2 + $3 }'
}

make_input
cd "$work"
size=$(du -sb in | cut -f1)
echo "=== input: $(find in -type f | wc -l) files, $((size / 1048576)) MB; $runs runs each; $(nproc) cores"
echo "=== load before: $(uptime | sed 's/.*load average/load average/')"

[ -f many.pak ] || "$pak" create many.pak -q many
[ -f many.zip ] || zip -q -r many.zip many
compare create 0.6 'rm -f in.pak' "'$pak' create in.pak -q --level 6 in" 'rm -f in.zip' 'zip -q -r -6 in.zip in'
compare extract 1.1 'rm -rf out-pak' "'$pak' extract in.pak -q -C out-pak" 'rm -rf out-zip' 'unzip -q -d out-zip in.zip'
compare list 0.5 ':' "'$pak' list many.pak" ':' 'unzip -l many.zip'
echo "=== processor time of one create each (the goal needs a second core that is free):"
cpu "pak create --level 6" 'rm -f in.pak' "'$pak' create in.pak -q --level 6 in"
cpu "zip -r -6" 'rm -f in.zip' 'zip -q -r -6 in.zip in'
echo "=== sizes: in.pak $(stat -c %s in.pak) bytes, in.zip $(stat -c %s in.zip) bytes"
diff -r in out-pak/in >/dev/null && echo "=== pak extract gave back every file unchanged"
echo "=== load after: $(uptime | sed 's/.*load average/load average/')"
