#!/usr/bin/env bash
# What repairable files cost and how fast damage is mended, whole processes of zr7e-cli on a
# 1 GiB random file:
#   encrypt --to OUT FILE   against   encrypt --repairable --to OUT FILE
#   decrypt of either file (the repairable one undamaged)
#   repair of a copy with one aligned 4 KiB sector garbled in each MiB, and of a copy with
#   one byte in 1,000 garbled
# Plain and repairable runs alternate in RUNS pairs (default 5, the order swapped every other
# pair); the script prints each median, the median of the per-pair ratios repairable / plain,
# the size overhead, and the repair speed in MB/s (file bytes / seconds).
#
#   bash bench/run-repairable.sh [FOLDER]      from the repository root, after a build
#
# FOLDER (default /tmp/zr7-repairable) decides the file system: a tmpfs measures the program,
# a disk adds the disk. Every output goes to an emptied folder; the inputs stay in page cache.
set -euo pipefail
export LC_ALL=C
DATA=${1:-/tmp/zr7-repairable}
RUNS=${RUNS:-5}
MIB=${MIB:-1024}
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLI=${BUILD:-$REPO/build}/bin/zr7e-cli
[[ -x $CLI ]] || { echo "run-repairable: build first ($CLI missing)" >&2; exit 1; }
mkdir -p "$DATA"
trap 'rm -rf "$DATA"' EXIT
"$CLI" newkey "$DATA/k" >/dev/null
head -c $((MIB * 1024 * 1024)) /dev/urandom > "$DATA/plain"
mkdir -p "$DATA/p" "$DATA/r" "$DATA/dp" "$DATA/dr"

# Seconds of one run of a command, with the inputs read first.
seconds() {
    cat "$DATA/plain" > /dev/null
    local start end
    start=$(date +%s.%N)
    bash -c "$1" > /dev/null 2>&1
    end=$(date +%s.%N)
    awk "BEGIN { print $end - $start }"
}
median() { sort -n | sed -n "$(((RUNS + 1) / 2))p"; }

# Alternating pairs of two commands, each preceded by its own clean-up: prints the medians of
# both and of the per-pair ratios second / first.
pairs() {
    local a=() b=() r=()
    for ((i = 0; i < RUNS; i++)); do
        local ta tb
        bash -c "$2"; bash -c "$4"
        if ((i % 2 == 0)); then ta=$(seconds "$1"); tb=$(seconds "$3")
        else tb=$(seconds "$3"); ta=$(seconds "$1"); fi
        a+=("$ta"); b+=("$tb"); r+=("$(awk "BEGIN { print $tb / $ta }")")
    done
    printf '%s %s %s\n' "$(printf '%s\n' "${a[@]}" | median)" \
        "$(printf '%s\n' "${b[@]}" | median)" "$(printf '%s\n' "${r[@]}" | median)"
}

key="--key-file '$DATA/k' --yes --quiet"
read -r enc_p enc_r enc_ratio < <(pairs \
    "'$CLI' encrypt $key --to '$DATA/p' '$DATA/plain'" "rm -f '$DATA'/p/*" \
    "'$CLI' encrypt --repairable $key --to '$DATA/r' '$DATA/plain'" "rm -f '$DATA'/r/*")
# The files of the last pair stay for the decryptions and repairs.
plain_size=$(stat -c %s "$DATA/p/plain")
rep_size=$(stat -c %s "$DATA/r/plain")
read -r dec_p dec_r dec_ratio < <(pairs \
    "'$CLI' decrypt $key --to '$DATA/dp' '$DATA/p/plain'" "rm -f '$DATA'/dp/*" \
    "'$CLI' decrypt $key --to '$DATA/dr' '$DATA/r/plain'" "rm -f '$DATA'/dr/*")

# The two damaged copies, made once; every repair starts from a fresh copy of one.
python3 - "$DATA/r/plain" "$DATA/sectors" "$DATA/bytes" <<'PY'
import random, sys
data = bytearray(open(sys.argv[1], 'rb').read())
sectors = bytearray(data)
for mib in range(0, len(data), 1 << 20):
    s = (mib + random.randrange(min(1 << 20, len(data) - mib))) // 4096 * 4096
    sectors[s:s + 4096] = random.randbytes(4096)
open(sys.argv[2], 'wb').write(sectors)
for _ in range(len(data) // 1000):
    data[random.randrange(len(data))] ^= random.randrange(1, 256)
open(sys.argv[3], 'wb').write(data)
PY
repair_speed() {
    local times=()
    for ((i = 0; i < RUNS; i++)); do
        cp "$DATA/$1" "$DATA/damaged"
        times+=("$(seconds "'$CLI' repair '$DATA/damaged'")")
        "$CLI" verify --key-file "$DATA/k" "$DATA/damaged" > /dev/null ||
            { echo "run-repairable: a repaired file does not verify" >&2; exit 1; }
    done
    local s
    s=$(printf '%s\n' "${times[@]}" | median)
    awk "BEGIN { printf \"%.3f s, %.0f MB/s\", $s, $rep_size / $s / 1e6 }"
}
sector_repair=$(repair_speed sectors)
byte_repair=$(repair_speed bytes)

printf 'file: %d MiB in %s, %d pairs\n' "$MIB" "$DATA" "$RUNS"
printf 'encrypt:    plain %.3f s   repairable %.3f s   repairable / plain %.3f\n' \
    "$enc_p" "$enc_r" "$enc_ratio"
printf 'decrypt:    plain %.3f s   repairable %.3f s   repairable / plain %.3f\n' \
    "$dec_p" "$dec_r" "$dec_ratio"
awk "BEGIN { printf \"size:       plain %d   repairable %d   parity %.2f%% of the file\n\", \
    $plain_size, $rep_size, 100 * ($rep_size - $plain_size) / $rep_size }"
printf 'repair, a garbled sector in each MiB: %s\n' "$sector_repair"
printf 'repair, 1 byte in 1,000 garbled:      %s\n' "$byte_repair"
