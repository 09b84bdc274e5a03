#!/usr/bin/env bash
# Times verifying and piping against reading: a 1 GiB random file is encrypted once, then
#   cat FILE > /dev/null                                 (reading it, the floor)
#   zr7e-cli verify FILE                                 (authenticating every chunk)
#   zr7e-cli encrypt - < PLAIN | zr7e-cli decrypt - > /dev/null   (a pipe round trip)
# each RUNS times (default 5), with the median in seconds and the peak RSS of the zr7e-cli
# processes. The key derivation of one verification is measured alone as well, so that the
# target "verify <= key derivation + 1.2 x cat" can be read off.
#
#   bash bench/run-verify.sh [FOLDER]      from the repository root, after a build
#
# COLD=1 drops the page cache before every timed run (root only), so that every tool reads
# from the disk; otherwise the inputs are read first, so that they sit in the page cache.
set -euo pipefail
export LC_ALL=C
DATA=${1:-/tmp/zr7-verify}
RUNS=${RUNS:-5}
COLD=${COLD:-0}
if [[ $COLD == 1 && $(id -u) != 0 ]]; then
    echo "run-verify: COLD=1 needs root to drop the page cache; measuring warm" >&2
    COLD=0
fi
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLI=${BUILD:-$REPO/build}/bin/zr7e-cli
[[ -x $CLI ]] || { echo "run-verify: build first ($CLI missing)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "run-verify: /usr/bin/time missing (Debian package time)" >&2; exit 1; }
mkdir -p "$DATA"
trap 'rm -rf "$DATA"' EXIT
"$CLI" newkey "$DATA/k" >/dev/null
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$DATA/plain"
"$CLI" encrypt --key-file "$DATA/k" - < "$DATA/plain" > "$DATA/sealed"
head -c 4096 /dev/urandom > "$DATA/small"
"$CLI" encrypt --key-file "$DATA/k" - < "$DATA/small" > "$DATA/small.sealed"

# Median wall time of a command run RUNS times; the inputs are read first, so they sit in the
# page cache for every tool alike.
median() {
    local times=()
    for ((i = 0; i < RUNS; i++)); do
        if [[ $COLD == 1 ]]; then
            sync
            echo 3 > /proc/sys/vm/drop_caches
        else
            cat "$DATA/plain" "$DATA/sealed" > /dev/null
        fi
        local start end
        start=$(date +%s.%N)
        bash -c "$1"
        end=$(date +%s.%N)
        times+=("$(awk "BEGIN { print $end - $start }")")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p"
}

cat_s=$(median "cat '$DATA/sealed' > /dev/null")
kdf_s=$(median "'$CLI' verify --key-file '$DATA/k' '$DATA/small.sealed' > /dev/null")
verify_s=$(median "'$CLI' verify --key-file '$DATA/k' '$DATA/sealed' > /dev/null")
pipe_s=$(median "'$CLI' encrypt --key-file '$DATA/k' - < '$DATA/plain' | '$CLI' decrypt --key-file '$DATA/k' - > /dev/null")
verify_kib=$(/usr/bin/time -f %M "$CLI" verify --key-file "$DATA/k" "$DATA/sealed" 2>&1 >/dev/null | tail -1)
enc_kib=$(/usr/bin/time -f %M "$CLI" encrypt --key-file "$DATA/k" - < "$DATA/plain" 2>&1 >/dev/null | tail -1)
dec_kib=$(/usr/bin/time -f %M "$CLI" decrypt --key-file "$DATA/k" - < "$DATA/sealed" 2>&1 >/dev/null | tail -1)

printf '%-52s %8s\n' "1 GiB, page cache $([[ $COLD == 1 ]] && echo cold || echo warm), median of $RUNS" "seconds"
printf '%-52s %8.2f\n' "cat FILE > /dev/null" "$cat_s"
printf '%-52s %8.2f\n' "zr7e-cli verify of a 4 KiB file (key derivation)" "$kdf_s"
printf '%-52s %8.2f\n' "zr7e-cli verify FILE" "$verify_s"
printf '%-52s %8.2f\n' "target: key derivation + 1.2 x cat" "$(awk "BEGIN { print $kdf_s + 1.2 * $cat_s }")"
printf '%-52s %8.2f\n' "encrypt - | decrypt - (pipe round trip)" "$pipe_s"
printf '%-52s %8s\n' "peak RSS, MiB: verify / encrypt - / decrypt -" \
    "$((verify_kib / 1024)) / $((enc_kib / 1024)) / $((dec_kib / 1024))"
