#!/usr/bin/env bash
# Times our front end against age in pairs of whole-process runs on the same data: a 1 GiB
# random file encrypted and decrypted, with the output file absent before each run and with the
# previous run's output still in place (the warm-up's for the first timed run; replaced by us,
# overwritten by age -o); verification of the encrypted file against reading it with cat plus
# one key derivation; and 2000 files of 4 KiB encrypted and decrypted as one batch, against
# cp -r. The figures are printed against their targets at the end.
#
#   bash bench/run-peers.sh [FOLDER]      from the repository root, after a build
#
# FOLDER holds the data set and the outputs (default /tmp/zr7-peers) and is removed at the end
# unless KEEP=1. BUILD points at another build folder (default ./build).
#
# Each comparison runs both commands once untimed (a warm-up, which also gives our peak RSS when
# /usr/bin/time exists, and whose decrypted output must be the original's bytes exactly), then
# PAIRS (default 7) timed pairs: ours, the peer's, ours, the peer's, ... Every pair gives a
# ratio peer / ours (above 1: we are faster); printed are the median of these ratios with the
# smallest and largest beside it, and the median seconds of each side. Alternating in pairs
# keeps a slow minute of the machine from landing on one side only. The single run times go to
# the log.
#
# By default the inputs are read before every run to be sure they sit in the page cache (some
# virtual machines page out file data that has not been touched for a minute). COLD=1 instead
# drops the page cache before every run (root only: otherwise it says so and measures warm),
# so that every tool reads its input from the disk. Every output goes to the same file system.
# With the output absent, the output folder is emptied before each run; all of this outside
# the timing. SMALL=0 leaves out the many small files, LARGE=0 the 1 GiB comparisons with age.
#
# Virtual machines that hand freed memory back to the host make the first touch of a page slow
# (writing 1 GiB can take 1 s instead of 0.2 s), which would hit whichever tool runs next. So
# before every timed run a scratch file of PRETOUCH_MIB is written and deleted, leaving pages
# that are already backed for the run; PRETOUCH=0 turns this off.
#
# Only age is a peer by default: it is the one with targets, and the run takes about ten
# minutes. PEERS=all adds pairs against cp, gpg --symmetric and openssl enc for the random file,
# and against cp and age for a 1 GiB text-like file (gpg alone adds several minutes).
#
# Each comparison records the load average before and after it, and how many processors other
# programs kept busy meanwhile (the machine's busy time less this script's and its programs').
# At a quarter of a processor or more the comparison was taken under load (a build or a test
# beside it): its row says so, and the targets give no figure for it.
#
# The timing is this script's own clock rather than hyperfine, so that the steps between runs
# stay out of the figures without another tool.
set -euo pipefail
export LC_ALL=C

DATA=${1:-/tmp/zr7-peers}
PAIRS=${PAIRS:-7}
KEEP=${KEEP:-0}
PRETOUCH=${PRETOUCH:-1}
COLD=${COLD:-0}
SMALL=${SMALL:-1}
LARGE=${LARGE:-1}
PEERS=${PEERS:-age}
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BUILD:-$REPO/build}
MIN_FREE_GIB=8
BIG_BYTES=$((1024 * 1024 * 1024))
SMALL_COUNT=2000
SMALL_SIZE=4096
# Marks a folder as made by this script: only such a folder is ever reused or removed.
MARKER=.zr7-peers-data

die() {
    echo "run-peers: $*" >&2
    exit 1
}

[[ $PAIRS =~ ^[1-9][0-9]*$ ]] || die "PAIRS must be a positive number, not '$PAIRS'"
[[ $PEERS == age || $PEERS == all ]] || die "PEERS must be age or all, not '$PEERS'"

# --- The data folder and disk space ---------------------------------------------------------

if [[ -e $DATA && ! -f $DATA/$MARKER ]]; then
    [[ -d $DATA && -z $(ls -A "$DATA") ]] || die "$DATA exists and was not made by this script"
fi
# Space is checked before anything is written. A data set kept by an earlier KEEP=1 run already
# holds most of what is needed.
parent=$DATA
while [[ ! -d $parent ]]; do parent=$(dirname "$parent"); done
free_kib=$(df -Pk "$parent" | awk 'NR == 2 { print $4 }')
have_kib=0
[[ -f $DATA/$MARKER ]] && have_kib=$(du -sk "$DATA" | awk '{ print $1 }')
if ((free_kib + have_kib < MIN_FREE_GIB * 1024 * 1024)); then
    die "only $((free_kib / 1024 / 1024)) GiB free under $parent; $MIN_FREE_GIB GiB are needed"
fi

if [[ $COLD == 1 && $(id -u) -ne 0 ]]; then
    echo "run-peers: COLD=1 needs root to drop the page cache; measuring with warm caches" >&2
    COLD=0
fi

mkdir -p "$DATA"
touch "$DATA/$MARKER"
DATA=$(cd "$DATA" && pwd)
LOG=$DATA/run.log
: >"$LOG"

cleanup() {
    if [[ -d ${GNUPGHOME_DIR:-} ]] && command -v gpgconf >/dev/null; then
        gpgconf --homedir "$GNUPGHOME_DIR" --kill gpg-agent >/dev/null 2>&1 || true
    fi
    if [[ $KEEP == 1 ]]; then
        echo "Data kept in $DATA (KEEP=1)."
    elif [[ -f $DATA/$MARKER ]]; then
        rm -rf "$DATA"
    fi
}
trap cleanup EXIT

# --- Peer tools -----------------------------------------------------------------------------

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null; then SUDO="sudo -n"; else SUDO=none; fi
fi
APT_UPDATED=0

install_package() {
    [[ $SUDO != none ]] || return 1
    command -v apt-get >/dev/null || return 1
    # shellcheck disable=SC2086 # SUDO is a command and its option, or empty
    if $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$1" >>"$LOG" 2>&1; then
        return 0
    fi
    if ((APT_UPDATED == 0)); then
        APT_UPDATED=1
        # shellcheck disable=SC2086
        $SUDO apt-get update -q >>"$LOG" 2>&1 || return 1
        # shellcheck disable=SC2086
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$1" >>"$LOG" 2>&1
        return
    fi
    return 1
}

# have_tool COMMAND PACKAGE: true when COMMAND exists, installing PACKAGE if needed.
have_tool() {
    command -v "$1" >/dev/null && return 0
    echo "Installing $2 ..."
    install_package "$2" && command -v "$1" >/dev/null
}

declare -A SKIP=()
have_tool age age && have_tool age-keygen age || SKIP[age]="skipped: age could not be installed"
if [[ $PEERS == all ]]; then
    have_tool gpg gnupg || SKIP[gpg]="skipped: gnupg could not be installed"
    have_tool openssl openssl || SKIP[openssl]="skipped: openssl could not be installed"
fi
TIME_BIN=""
[[ -x /usr/bin/time ]] && TIME_BIN=/usr/bin/time

# --- The data set -----------------------------------------------------------------------------

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

make_text_file() {
    echo "Making 1 GiB of text-like data ..."
    # 8 MiB of lines of random common words, repeated: text statistics at the speed of cat.
    # awk stops by itself (a reader closing the pipe early would fail the pipeline).
    awk -v want=$((8 * 1024 * 1024)) 'BEGIN {
        srand(7)
        n = split("the of and to in is that for it as was with be by on not he this are or " \
                  "his from at which but have an they you were her she there been one all we " \
                  "their has would when if so no will more can who its said may about out " \
                  "some them other what into only time could new first two like than these " \
                  "then any very years over also after now file key data block write read", w)
        for (total = 0; total < want; total += length(line) + 2) {
            line = w[1 + int(rand() * n)]
            k = 5 + int(rand() * 12)
            for (j = 0; j < k; j++) line = line " " w[1 + int(rand() * n)]
            print line "."
        }
    }' >"$DATA/text.seed"
    truncate -s $((8 * 1024 * 1024)) "$DATA/text.seed"
    [[ $(size_of "$DATA/text.seed") == $((8 * 1024 * 1024)) ]] || die "text seed too short"
    for ((i = 0; i < 128; i++)); do cat "$DATA/text.seed"; done >"$DATA/text.bin.part"
    mv "$DATA/text.bin.part" "$DATA/text.bin"
    rm -f "$DATA/text.seed"
}

if [[ $(size_of "$DATA/random.bin") != "$BIG_BYTES" ]]; then
    echo "Making 1 GiB of random data ..."
    head -c "$BIG_BYTES" /dev/urandom >"$DATA/random.bin.part"
    mv "$DATA/random.bin.part" "$DATA/random.bin"
fi
if [[ $PEERS == all && $(size_of "$DATA/text.bin") != "$BIG_BYTES" ]]; then
    make_text_file
fi
if [[ $(find "$DATA/small" -name '*.bin' 2>/dev/null | wc -l) != "$SMALL_COUNT" ]]; then
    echo "Making $SMALL_COUNT files of $SMALL_SIZE bytes ..."
    rm -rf "$DATA/small"
    mkdir -p "$DATA/small"
    head -c $((SMALL_COUNT * SMALL_SIZE)) /dev/urandom |
        split -b "$SMALL_SIZE" -d -a 4 --additional-suffix=.bin - "$DATA/small/f"
fi
# The same command on one of those files: what a batch costs before its files (start, self-test,
# the one derivation).
rm -rf "$DATA/one"
mkdir -p "$DATA/one"
cp "$DATA/small/f0000.bin" "$DATA/one/"

# --- Keys -----------------------------------------------------------------------------------

KEYS=$DATA/keys
mkdir -p "$KEYS"
chmod 700 "$KEYS"
ZR7_KEY=$KEYS/zr7.key
PASS=$KEYS/passphrase
# 48 random bytes in base64: a 64-character text key, as a batch uses.
[[ -s $ZR7_KEY ]] || head -c 48 /dev/urandom | base64 -w0 >"$ZR7_KEY"
[[ -s $PASS ]] || { head -c 24 /dev/urandom | base64 -w0 && echo; } >"$PASS"
AGE_RECIPIENT=""
if [[ -z ${SKIP[age]:-} ]]; then
    [[ -s $KEYS/age.id ]] || age-keygen -o "$KEYS/age.id" >>"$LOG" 2>&1
    AGE_RECIPIENT=$(age-keygen -y "$KEYS/age.id")
fi
GNUPGHOME_DIR=$DATA/gnupg
mkdir -p "$GNUPGHOME_DIR"
chmod 700 "$GNUPGHOME_DIR"

# --- The commands -----------------------------------------------------------------------------

CLI=$BUILD/bin/zr7e-cli

# A quick round trip, so that a broken build stops here rather than as failed rows.
cli_works() {
    [[ -x $CLI ]] || return 1
    local p=$DATA/probe
    rm -rf "$p"
    mkdir -p "$p/in" "$p/out" "$p/back"
    head -c 5000 /dev/urandom >"$p/in/a.bin"
    timeout 120 "$CLI" encrypt --key-file "$ZR7_KEY" --to "$p/out" --yes "$p/in/a.bin" \
        >>"$LOG" 2>&1 </dev/null || return 1
    timeout 120 "$CLI" decrypt --key-file "$ZR7_KEY" --to "$p/back" --yes "$p/out/a.bin" \
        >>"$LOG" 2>&1 </dev/null || return 1
    cmp -s "$p/in/a.bin" "$p/back/a.bin"
}
cli_works || die "$CLI does not encrypt and decrypt (see $LOG); build zr7e-cli first"
rm -rf "$DATA/probe"

# Every timed command takes an input and an output folder, so one measuring routine fits all.
# Decrypted outputs are named *.out by every tool.
zr7_encrypt() { "$CLI" encrypt --key-file "$ZR7_KEY" --to "$2" --yes "$1" </dev/null; }
zr7_decrypt() { "$CLI" decrypt --to "$2" --as '*.out' --key-file "$ZR7_KEY" --yes "$1" </dev/null; }
zr7_verify() { "$CLI" verify --key-file "$ZR7_KEY" "$1" </dev/null; }
zr7_encrypt_dir() {
    "$CLI" encrypt --key-file "$ZR7_KEY" --files '*.*' --to "$2" --yes "$1" </dev/null
}
zr7_decrypt_dir() {
    "$CLI" decrypt --key-file "$ZR7_KEY" --files '*.*' --to "$2" --yes "$1" </dev/null
}
# What verifying cannot beat: reading the file, plus one process that derives the key (a
# verification of a 4 KiB file, start and self-test included).
cat_and_derive() { cat "$1" >/dev/null && zr7_verify "$DATA/sealed/tiny.zr7"; }
base_out() { local b=${1##*/}; echo "$2/${b%.*}.out"; }
cp_file() { cp "$1" "$2/"; }
cp_dir() { cp -r "$1/." "$2/"; }
age_encrypt() { age -r "$AGE_RECIPIENT" -o "$2/${1##*/}.age" "$1"; }
age_decrypt() { age -d -i "$KEYS/age.id" -o "$(base_out "$1" "$2")" "$1"; }
# age leaves its output in memory for the kernel to write when it likes; ours is on the disk
# when the program ends. These make age's output as durable: the file and its folder flushed.
age_encrypt_sync() { age_encrypt "$@" && sync -f "$2/${1##*/}.age" "$2"; }
age_decrypt_sync() { age_decrypt "$@" && sync -f "$(base_out "$1" "$2")" "$2"; }
# Every file of a folder, one age process each; with _sync, one sync -f of the output folder
# at the end flushes the file system that holds them all.
age_encrypt_dir() { for f in "$1"/*; do age_encrypt "$f" "$2" || return 1; done; }
age_decrypt_dir() {
    for f in "$1"/*; do age -d -i "$KEYS/age.id" -o "$2/${f##*/}" "$f" || return 1; done
}
age_encrypt_dir_sync() { age_encrypt_dir "$@" && sync -f "$2"; }
age_decrypt_dir_sync() { age_decrypt_dir "$@" && sync -f "$2"; }
gpg_batch() {
    gpg --batch --yes --quiet --homedir "$GNUPGHOME_DIR" --pinentry-mode loopback \
        --passphrase-file "$PASS" --no-symkey-cache "$@"
}
gpg_encrypt() { gpg_batch --compress-algo none --symmetric -o "$2/${1##*/}.gpg" "$1"; }
gpg_decrypt() { gpg_batch -o "$(base_out "$1" "$2")" --decrypt "$1"; }
openssl_encrypt() {
    openssl enc -chacha20 -pbkdf2 -pass "file:$PASS" -in "$1" -out "$2/${1##*/}.enc"
}
openssl_decrypt() {
    openssl enc -d -chacha20 -pbkdf2 -pass "file:$PASS" -in "$1" -out "$(base_out "$1" "$2")"
}

# The timed commands are shell functions; the child shell of run_with_rss needs them too.
export CLI ZR7_KEY AGE_RECIPIENT KEYS PASS DATA GNUPGHOME_DIR
export -f zr7_encrypt zr7_decrypt zr7_verify zr7_encrypt_dir zr7_decrypt_dir cat_and_derive \
    base_out cp_file cp_dir age_encrypt age_decrypt age_encrypt_sync age_decrypt_sync \
    age_encrypt_dir age_decrypt_dir age_encrypt_dir_sync age_decrypt_dir_sync gpg_batch gpg_encrypt gpg_decrypt \
    openssl_encrypt openssl_decrypt

# --- Measuring ------------------------------------------------------------------------------

OUT=$DATA/out
# Per comparison: the single times of each side in microseconds, and the peak RSS of ours.
declare -A T_OURS=() T_PEER=() RSS=()
# new: the output folder is emptied before each run; over: the output stays; fresh: every run
# writes to a folder of its own, and nothing is deleted until the comparison is over (ext4
# without a journal steps past every recently freed inode when it makes a file, so a batch of
# small files right after thousands of deletions times that scan rather than the program).
MODE=new
RUN_NO=0
PRETOUCH_MIB=0 # the scratch file written and deleted before each run

pretouch() {
    ((PRETOUCH == 1 && PRETOUCH_MIB > 0)) || return 0
    dd if=/dev/zero of="$DATA/pretouch" bs=1M count="$PRETOUCH_MIB" status=none
    rm -f "$DATA/pretouch"
}

empty_dir() {
    rm -rf "$1"
    mkdir -p "$1"
}

# Reads a file, or every file of a folder, into the page cache.
read_input() {
    if [[ -d $1 ]]; then
        find "$1" -type f -exec cat {} + >/dev/null
    else
        cat "$1" >/dev/null
    fi
}

# prepare OUTDIR INPUT: the untimed steps before a timed run.
prepare() {
    [[ $MODE != new ]] || empty_dir "$1"
    # Written inode tables make ext4 step past freed inodes for five minutes instead of seconds.
    [[ $MODE != fresh ]] || sync -f "$DATA"
    if [[ $COLD == 1 ]]; then
        sync
        echo 3 >/proc/sys/vm/drop_caches
    else
        read_input "$2"
    fi
    pretouch
}

# timed OUTDIR CMD INPUT: one timed run, its time in microseconds in LAST.
timed() {
    local outdir=$1 t0 t1
    shift
    if [[ $MODE == fresh ]]; then
        outdir=$outdir.$((++RUN_NO))
        mkdir -p "$outdir"
    fi
    prepare "$outdir" "${!#}"
    t0=${EPOCHREALTIME/./}
    "$@" "$outdir" >>"$LOG" 2>&1 || return 1
    t1=${EPOCHREALTIME/./}
    LAST=$((t1 - t0))
}

# warm_up KEY SIDE OUTDIR EXPECTED CMD INPUT: the untimed first run of one side, with the peak
# RSS of ours in RSS[KEY]. With EXPECTED (a file or a folder, or "" for none) the output must be
# its bytes exactly.
warm_up() {
    local key=$1 side=$2 outdir=$3 expected=$4 got
    shift 4
    [[ $MODE != fresh ]] || outdir=$outdir.w$((++RUN_NO))
    empty_dir "$outdir"
    read_input "${!#}"
    if [[ -n $TIME_BIN && $side == ours ]]; then
        "$TIME_BIN" -f %M -o "$DATA/rss" bash -c '"$@"' run "$@" "$outdir" >>"$LOG" 2>&1 ||
            { SKIP[$key]="$side: the command failed (see $LOG)" && return 1; }
        RSS[$key]=$(tail -n 1 "$DATA/rss")
    else
        "$@" "$outdir" >>"$LOG" 2>&1 ||
            { SKIP[$key]="$side: the command failed (see $LOG)" && return 1; }
    fi
    if [[ -d $expected ]]; then
        diff -rq "$expected" "$outdir" >>"$LOG" 2>&1 && return 0
    elif [[ -n $expected ]]; then
        got=$(find "$outdir" -type f | head -n 1)
        [[ -n $got ]] && cmp -s "$expected" "$got" && return 0
    else
        return 0
    fi
    SKIP[$key]="WRONG OUTPUT from $side: decryption did not give the original back"
    return 1
}

# Processor time spent in programs (user time, in clock ticks): of the whole machine, and of this
# script with every program it ran. The rest, over a comparison, is other programs' work; the
# kernel's own writeback for our files is left out on both sides.
machine_ticks() { awk '/^cpu / { print $2 + $3 }' /proc/stat; }
our_ticks() { awk '{ print $14 + $16 }' "/proc/$$/stat"; }
# A comparison during which other programs kept this share of a processor busy, or more, was
# taken under load (a build or a test beside it): it is printed as such and is no result.
OTHER_LOAD_LIMIT=0.25
declare -A LOAD=() UNDER_LOAD=()

# pair TOOL KEY EXPECTED: when the peer TOOL is there, one warm-up of the arrays OURS and PEER
# (a command and its input), then PAIRS timed pairs, ours first. The output of a peer tool is
# checked as ours is; a reference command (TOOL none: cp, cat) is not. The single times go to
# the log and to T_OURS[KEY] and T_PEER[KEY]; the row is printed at once.
pair() {
    local tool=$1 key=$2 expected=$3 i
    local a=$OUT/ours b=$OUT/peer
    local -a ours=() peer=()
    local load_before machine_before ours_before start
    load_before=$(cut -d' ' -f1 /proc/loadavg)
    machine_before=$(machine_ticks)
    ours_before=$(our_ticks)
    start=$(date +%s.%N)
    if [[ -n ${SKIP[$tool]:-} ]]; then
        SKIP[$key]=${SKIP[$tool]}
    elif warm_up "$key" ours "$a" "$expected" "${OURS[@]}" &&
        warm_up "$key" peer "$b" "$([[ $tool == none ]] || echo "$expected")" "${PEER[@]}"; then
        for ((i = 0; i < PAIRS; i++)); do
            timed "$a" "${OURS[@]}" || { SKIP[$key]="ours: failed (see $LOG)" && break; }
            ours+=("$LAST")
            timed "$b" "${PEER[@]}" || { SKIP[$key]="peer: failed (see $LOG)" && break; }
            peer+=("$LAST")
        done
        echo "$key, ${LABEL[$key]}: ours ${ours[*]} us; ${PEER_LABEL[$key]} ${peer[*]} us" >>"$LOG"
        [[ -n ${SKIP[$key]:-} ]] || { T_OURS[$key]=${ours[*]} && T_PEER[$key]=${peer[*]}; }
    fi
    local other
    other=$(awk -v m="$(($(machine_ticks) - machine_before))" -v o="$(($(our_ticks) - ours_before))" \
        -v s="$start" -v e="$(date +%s.%N)" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { v = (m - o) / hz / (e - s); printf "%.2f", v < 0 ? 0 : v }')
    LOAD[$key]="load average $load_before before, $(cut -d' ' -f1 /proc/loadavg) after; other programs $other processors"
    echo "$key: ${LOAD[$key]}" >>"$LOG"
    awk -v v="$other" -v l="$OTHER_LOAD_LIMIT" 'BEGIN { exit !(v >= l) }' && UNDER_LOAD[$key]=1
    # Fresh folders stay until the end, so that no deletion precedes the next comparison.
    [[ $MODE == fresh ]] || rm -rf "$a" "$b"
    row "$key"
}

# stats KEY [inv]: "ours peer median min max": the median seconds of each side and the median,
# smallest and largest of the per-pair ratios peer / ours (with inv: ours / peer).
stats() {
    paste -d ' ' <(tr ' ' '\n' <<<"${T_OURS[$1]}") <(tr ' ' '\n' <<<"${T_PEER[$1]}") |
        awk -v inv="${2:-}" '
        function median(v, n,   i, j, t) {
            for (i = 2; i <= n; i++)
                for (j = i; j > 1 && v[j - 1] > v[j]; j--) {
                    t = v[j]; v[j] = v[j - 1]; v[j - 1] = t
                }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        { n++; a[n] = $1; b[n] = $2; r[n] = inv == "inv" ? $1 / $2 : $2 / $1 }
        END {
            ma = median(a, n); mb = median(b, n); mr = median(r, n)
            printf "%.6f %.6f %.4f %.4f %.4f\n", ma / 1e6, mb / 1e6, mr, r[1], r[n]
        }'
}

declare -A LABEL=() PEER_LABEL=()
header() {
    printf '\n== %s, median of %s pairs ==\n' "$1" "$PAIRS"
    printf '  %-34s %9s   %-17s %9s   %s\n' "" "ours" "against" "" "against/ours (min-max)"
}

# row KEY: the median seconds of each side, the ratio, files per second for the small files
# and the peak RSS of ours.
row() {
    local key=$1 files=""
    if [[ -z ${T_OURS[$key]:-} ]]; then
        printf '  %-34s %s\n' "${LABEL[$key]}" "${SKIP[$key]:-failed (see $LOG)}"
        return 0
    fi
    [[ $key == small.* ]] && files=$SMALL_COUNT
    stats "$key" | awk -v l="${LABEL[$key]}" -v p="${PEER_LABEL[$key]}" -v f="$files" \
        -v rss="${RSS[$key]:-}" '{
        printf "  %-34s %7.3f s   %-17s %7.3f s   %5.2fx (%.2f-%.2f)", l, $1, p, $2, $3, $4, $5
        if (f != "") printf "   %4.0f files/s", f / $1
        if (rss != "") printf "   peak RSS %5.1f MiB", rss / 1024
        printf "\n"
    }'
    printf '  %-34s %s%s\n' "" "${LOAD[$key]:-}" "${UNDER_LOAD[$key]:+  UNDER LOAD: not a result}"
}

# compare KEY LABEL PEER_LABEL TOOL EXPECTED: pair with the row's texts.
compare() {
    LABEL[$1]=$2
    PEER_LABEL[$1]=$3
    pair "$4" "$1" "$5"
}

# target LABEL KEY KIND LIMIT: one line of the final table. KIND faster: the median ratio
# peer / ours at least LIMIT; slower: the median ratio ours / peer at most LIMIT; files: files
# per second of ours at least LIMIT; beyond: files per second beyond the peer's batch of one
# file, printed without a verdict.
target() {
    local label=$1 key=$2 kind=$3 limit=$4 inv=""
    if [[ -z ${T_OURS[$key]:-} ]]; then
        printf '  %-44s %s\n' "$label" "no figure: ${SKIP[$key]:-not measured}"
        return 0
    fi
    if [[ -n ${UNDER_LOAD[$key]:-} ]]; then
        printf '  %-44s %s\n' "$label" "no figure: taken under load (${LOAD[$key]})"
        return 0
    fi
    [[ $kind == slower ]] && inv=inv
    stats "$key" "$inv" | awk -v l="$label" -v k="$kind" -v t="$limit" -v n="$SMALL_COUNT" '{
        if (k == "files") {
            v = n / $1; ok = v >= t
            text = sprintf("%.0f files/s", v); want = sprintf(">= %d files/s", t)
        } else if (k == "beyond") {
            # The files after the first, over the time they add to a batch of one file: a
            # figure beside the target, not a target of its own.
            v = $1 > $2 ? (n - 1) / ($1 - $2) : 0
            printf "  %-44s %14s   (start and derivation set aside)\n", l, sprintf("%.0f files/s", v)
            next
        } else {
            v = $3; ok = k == "slower" ? v <= t : v >= t
            text = sprintf("%.2fx", v); want = sprintf("%s %.2fx", k == "slower" ? "<=" : ">=", t)
        }
        printf "  %-44s %14s   target %-16s %s\n", l, text, want, ok ? "met" : "not met"
    }'
}

# The largest peak RSS of our 1 GiB runs against Argon2id's 256 MiB plus 64 MiB.
target_memory() {
    local key peak=0
    for key in enc.new enc.over dec.new dec.over verify; do
        ((${RSS[$key]:-0} > peak)) && peak=${RSS[$key]}
    done
    if ((peak == 0)); then
        printf '  %-44s %s\n' "peak RSS of our 1 GiB runs" "no figure (/usr/bin/time missing)"
        return 0
    fi
    awk -v p="$peak" 'BEGIN {
        printf "  %-44s %10.1f MiB   target %-16s %s\n", "peak RSS of our 1 GiB runs", p / 1024,
            "<= 320 MiB", (p <= 320 * 1024 ? "met" : "not met")
    }'
}

# --- The encrypted inputs, made once, untimed ----------------------------------------------

SEALED=$DATA/sealed
BIG=$DATA/random.bin

# seal TOOL CMD INPUT NAME: encrypts INPUT with CMD into the file SEALED/NAME.
seal() {
    local tool=$1 cmd=$2 input=$3 name=$4 made
    [[ -z ${SKIP[$tool]:-} ]] || return 0
    empty_dir "$SEALED/tmp"
    if "$cmd" "$input" "$SEALED/tmp" >>"$LOG" 2>&1; then
        made=$(find "$SEALED/tmp" -type f | head -n 1)
        mv "$made" "$SEALED/$name"
    else
        SKIP[$tool]="skipped: its encryption of the input failed (see $LOG)"
    fi
    rm -rf "$SEALED/tmp"
}

echo "Encrypting the inputs of decryption and verification ..."
empty_dir "$SEALED"
seal zr7 zr7_encrypt "$BIG" big.zr7
seal zr7 zr7_encrypt "$DATA/small/f0000.bin" tiny.zr7
[[ -z ${SKIP[zr7]:-} ]] || die "our encryption of the inputs failed (see $LOG)"
mkdir -p "$SEALED/small"
zr7_encrypt_dir "$DATA/small" "$SEALED/small" >>"$LOG" 2>&1 ||
    die "our encryption of the small files failed (see $LOG)"
mkdir -p "$SEALED/one"
cp "$SEALED/small/f0000.bin" "$SEALED/one/"
seal age age_encrypt "$BIG" big.age
if [[ -z ${SKIP[age]:-} && $SMALL == 1 ]]; then
    empty_dir "$SEALED/small.age"
    for f in "$DATA/small"/*; do
        age -r "$AGE_RECIPIENT" -o "$SEALED/small.age/${f##*/}" "$f" ||
            die "age's encryption of the small files failed"
    done
fi
if [[ $PEERS == all ]]; then
    seal gpg gpg_encrypt "$BIG" big.gpg
    seal openssl openssl_encrypt "$BIG" big.enc
fi
# Written data would otherwise be flushed to disk in the middle of the first measurements.
sync

echo "Our front end: $CLI.  Log with every single time: $LOG."
echo "Page cache: $([[ $COLD == 1 ]] && echo "dropped before every run (cold)" || echo "warm")."

# --- 1 GiB random file ----------------------------------------------------------------------

declare -A MODE_TEXT=([new]="output absent" [over]="output replaced")
# The output, and our 256 MiB of Argon2id, fit in the pretouched pages.
if [[ $LARGE == 1 ]]; then
    PRETOUCH_MIB=1536
    header "1 GiB random file"
    for MODE in new over; do
        OURS=(zr7_encrypt "$BIG") PEER=(age_encrypt "$BIG")
        compare "enc.$MODE" "encrypt, ${MODE_TEXT[$MODE]}" "age -r" age ""
    done
    for MODE in new over; do
        OURS=(zr7_encrypt "$BIG") PEER=(age_encrypt_sync "$BIG")
        compare "enc.sync.$MODE" "encrypt, ${MODE_TEXT[$MODE]}" "age -r + sync" age ""
    done
    for MODE in new over; do
        OURS=(zr7_decrypt "$SEALED/big.zr7") PEER=(age_decrypt "$SEALED/big.age")
        compare "dec.$MODE" "decrypt, ${MODE_TEXT[$MODE]}" "age -d" age "$BIG"
    done
    for MODE in new over; do
        OURS=(zr7_decrypt "$SEALED/big.zr7") PEER=(age_decrypt_sync "$SEALED/big.age")
        compare "dec.sync.$MODE" "decrypt, ${MODE_TEXT[$MODE]}" "age -d + sync" age "$BIG"
    done
    MODE=new
    PRETOUCH_MIB=512
    OURS=(zr7_verify "$SEALED/big.zr7") PEER=(cat_and_derive "$SEALED/big.zr7")
    compare verify "verify" "cat + derivation" none ""
fi

# --- Other peers (PEERS=all) ------------------------------------------------------------------

if [[ $PEERS == all ]]; then
    PRETOUCH_MIB=1536
    header "1 GiB random file, output absent, other tools"
    OURS=(zr7_encrypt "$BIG")
    PEER=(cp_file "$BIG") && compare enc.cp "encrypt" "cp" none ""
    PEER=(gpg_encrypt "$BIG") && compare enc.gpg "encrypt" "gpg --symmetric" gpg ""
    PEER=(openssl_encrypt "$BIG") && compare enc.openssl "encrypt" "openssl enc" openssl ""
    OURS=(zr7_decrypt "$SEALED/big.zr7")
    PEER=(cp_file "$SEALED/big.zr7") && compare dec.cp "decrypt" "cp big.zr7" none ""
    PEER=(gpg_decrypt "$SEALED/big.gpg") && compare dec.gpg "decrypt" "gpg --decrypt" gpg "$BIG"
    PEER=(openssl_decrypt "$SEALED/big.enc") &&
        compare dec.openssl "decrypt" "openssl enc -d" openssl "$BIG"
    header "1 GiB text-like file, output absent"
    OURS=(zr7_encrypt "$DATA/text.bin")
    PEER=(age_encrypt "$DATA/text.bin") && compare text.age "encrypt" "age -r" age ""
    PEER=(cp_file "$DATA/text.bin") && compare text.cp "encrypt" "cp" none ""
fi

# --- Many small files -----------------------------------------------------------------------

if [[ $SMALL == 1 ]]; then
    PRETOUCH_MIB=512
    MODE=fresh
    header "$SMALL_COUNT files of $SMALL_SIZE bytes, one batch, output absent"
    OURS=(zr7_encrypt_dir "$DATA/small") PEER=(cp_dir "$DATA/small")
    compare small.enc "encrypt" "cp -r" none ""
    OURS=(zr7_decrypt_dir "$SEALED/small") PEER=(cp_dir "$SEALED/small")
    compare small.dec "decrypt" "cp -r" none "$DATA/small"
    header "the same batches against age, one process a file"
    OURS=(zr7_encrypt_dir "$DATA/small") PEER=(age_encrypt_dir "$DATA/small")
    compare small.age "encrypt" "age -r" age ""
    OURS=(zr7_encrypt_dir "$DATA/small") PEER=(age_encrypt_dir_sync "$DATA/small")
    compare small.agesync "encrypt" "age -r + sync" age ""
    OURS=(zr7_decrypt_dir "$SEALED/small") PEER=(age_decrypt_dir "$SEALED/small.age")
    compare small.agedec "decrypt" "age -d" age "$DATA/small"
    OURS=(zr7_decrypt_dir "$SEALED/small") PEER=(age_decrypt_dir_sync "$SEALED/small.age")
    compare small.agedecsync "decrypt" "age -d + sync" age "$DATA/small"
    header "the same batches against a batch of one of those files"
    OURS=(zr7_encrypt_dir "$DATA/small") PEER=(zr7_encrypt_dir "$DATA/one")
    compare small.enc1 "encrypt" "one file" none ""
    OURS=(zr7_decrypt_dir "$SEALED/small") PEER=(zr7_decrypt_dir "$SEALED/one")
    compare small.dec1 "decrypt" "one file" none ""
fi

# --- Against the targets ----------------------------------------------------------------------

printf '\n== Targets (median of the per-pair ratios%s) ==\n' \
    "$([[ $COLD == 1 ]] && echo "; set for a warm cache, this run was cold")"
# Our outputs are on the disk when we end, so the targets pay that on both sides: against age
# followed by sync -f. The rows against age alone above are figures beside them.
for MODE in new over; do
    target "decrypt vs age -d + sync -f, ${MODE_TEXT[$MODE]}" "dec.sync.$MODE" faster 1.20
    target "encrypt vs age -r + sync -f, ${MODE_TEXT[$MODE]}" "enc.sync.$MODE" faster 1.10
done
target "verify / (cat + key derivation)" verify slower 1.10
if [[ $SMALL == 1 ]]; then
    target "$SMALL_COUNT x 4 KiB encrypted, one batch" small.enc files 2500
    target "$SMALL_COUNT x 4 KiB decrypted, one batch" small.dec files 2500
    target "  the same, the files beyond a batch of one" small.enc1 beyond 2500
    target "  the same, decrypted" small.dec1 beyond 2500
fi
target_memory

cat <<'EOF2'

Notes:
  * Every figure is a whole process: start, self-test and one Argon2id derivation (3 passes,
    256 MiB) are paid by each of our runs; age encrypts to an X25519 recipient, with no
    password-hardening cost.
  * "cat + derivation" reads the encrypted file, then verifies a 4 KiB file with the same key.
  * Every output of ours is flushed to the disk, with its folder, before the program ends;
    "age + sync" flushes age's output and its folder with sync -f after age ends.
  * The files per second of the small files include the batch's one derivation. "Beyond a
    batch of one" is 1999 files over the time the batch of 2000 takes beyond the same command
    on one of its files: the rate of the file work, with start-up and derivation set aside.
EOF2
if [[ $PEERS == all ]]; then
    cat <<'EOF2'
  * openssl enc cannot do AEAD: -chacha20 there is the bare stream cipher, with no integrity
    check, so its figures are a lower bound for the cipher, not a like-for-like peer.
  * gpg --symmetric (GnuPG 2.2) uses AES-128 with an MDC (SHA-1), not an AEAD mode.
EOF2
fi
