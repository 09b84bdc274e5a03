#!/usr/bin/env bash
# Encrypts and decrypts 1 GiB (one random file) and 2000 files of 4 KiB with zr7e-cli on three
# kinds of storage: the disk under FOLDER, a tmpfs, and an ext4 image on a loop device. On the
# loop device every byte that reaches the disk is counted: the sectors written, from
# /sys/block/loopN/stat, from before a run to after a sync of the file system, divided by the
# bytes of the outputs. That is a count, not a time: the journal and every other write the
# program causes are in it, and no other program writes there. Each run is also timed (median of
# RUNS, default 3), the key derivation included. Beside the bytes of the outputs, the count is
# also divided by the space the outputs take (whole blocks of the file system): a file of 4,180
# bytes takes two blocks of 4 KiB, whoever writes it.
#
#   sudo bash bench/run-storage.sh [FOLDER]     from the repository root, after a build
#
# Needs root (mount, losetup). FOLDER (default /tmp/zr7-storage) holds the data and the disk
# runs, and is removed at the end. BUILD points at another build folder (default ./build).
# The load average before and after each storage is printed, with how many processors other
# programs kept busy meanwhile: at a quarter of one or more the figures were taken under load (a
# build or a test beside them), are marked so and are not results.
set -euo pipefail
export LC_ALL=C

DATA=${1:-/tmp/zr7-storage}
RUNS=${RUNS:-3}
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLI=${BUILD:-$REPO/build}/bin/zr7e-cli
KEY="zr7 storage bench key, long enough"

die() {
    echo "run-storage: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || die "needs root to mount a tmpfs and a loop device"
[[ -x $CLI ]] || die "no $CLI: build first"
[[ ! -e $DATA ]] || die "$DATA exists; give a folder that does not"

mkdir -p "$DATA"/src/big "$DATA"/src/small "$DATA"/disk "$DATA"/tmpfs "$DATA"/loop
LOOP=""
cleanup() {
    mountpoint -q "$DATA/tmpfs" && umount "$DATA/tmpfs"
    mountpoint -q "$DATA/loop" && umount "$DATA/loop"
    [[ -n $LOOP ]] && losetup -d "$LOOP"
    rm -rf "$DATA"
}
trap cleanup EXIT

head -c $((1024 * 1024 * 1024)) /dev/urandom >"$DATA/src/big/big.dat"
for i in $(seq 1 2000); do head -c 4096 /dev/urandom >"$DATA/src/small/f$i.dat"; done

mount -t tmpfs -o size=3g tmpfs "$DATA/tmpfs"
truncate -s 4G "$DATA/ext4.img"
mkfs.ext4 -q -F "$DATA/ext4.img"
LOOP=$(losetup --find --show "$DATA/ext4.img")
mount "$LOOP" "$DATA/loop"
DEVICE=/sys/block/$(basename "$LOOP")/stat

load() { cut -d' ' -f1 /proc/loadavg; }
machine_ticks() { awk '/^cpu / { print $2 + $3 }' /proc/stat; }
our_ticks() { awk '{ print $14 + $16 }' "/proc/$$/stat"; }
allocated_of() { find "$1" -type f -printf '%b\n' | awk '{ s += $1 * 512 } END { print s + 0 }'; }
written_sectors() { awk '{ print $7 }' "$DEVICE"; }
bytes_of() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# run ROOT KIND FUNCTION: one timed run from ROOT/in to ROOT/out; prints seconds.
run() {
    local root=$1 kind=$2 function=$3 start end
    rm -rf "$root/out" && mkdir -p "$root/out"
    start=$(date +%s.%N)
    echo "$KEY" | "$CLI" "$function" --key-stdin --yes --to "$root/out" --as '*.*' "$root/in" \
        >/dev/null 2>"$root/err" || die "$function of $kind in $root failed: $(cat "$root/err")"
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# storage NAME ROOT: the four cases on one storage.
storage() {
    local name=$1 root=$2 kind function seconds before after ratio times note
    local load_before load_after machine_before ours_before start other
    load_before=$(load)
    machine_before=$(machine_ticks)
    ours_before=$(our_ticks)
    start=$(date +%s.%N)
    for kind in big small; do
        for function in encrypt decrypt; do
            rm -rf "$root/in"
            if [[ $function == encrypt ]]; then
                cp -r "$DATA/src/$kind" "$root/in"
            else
                mv "$root/out" "$root/in"
            fi
            sync
            times=()
            for _ in $(seq 1 "$RUNS"); do
                [[ $name == loop ]] && before=$(written_sectors)
                times+=("$(run "$root" "$kind" "$function")")
                if [[ $name == loop ]]; then
                    sync -f "$root/out"
                    after=$(written_sectors)
                fi
            done
            seconds=$(printf '%s\n' "${times[@]}" | median)
            ratio=""
            if [[ $name == loop ]]; then
                ratio=$(echo "scale=3; ($after - $before) * 512 / $(bytes_of "$root/out")" | bc)
                ratio="  written/output $ratio, written/allocated $(echo "scale=3; ($after - \
                    $before) * 512 / $(allocated_of "$root/out")" | bc)"
            fi
            printf '%-6s %-8s %-8s %7.3f s%s\n' "$name" "$kind" "$function" "$seconds" "$ratio"
        done
    done
    load_after=$(load)
    other=$(awk -v m="$(($(machine_ticks) - machine_before))" -v o="$(($(our_ticks) - ours_before))" \
        -v s="$start" -v e="$(date +%s.%N)" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { v = (m - o) / hz / (e - s); printf "%.2f", v < 0 ? 0 : v }')
    note=""
    awk -v v="$other" 'BEGIN { exit !(v >= 0.25) }' && note="  UNDER LOAD: not a result"
    echo "$name: load average $load_before before, $load_after after; other programs $other processors$note"
}

storage disk "$DATA/disk"
storage tmpfs "$DATA/tmpfs"
storage loop "$DATA/loop"
