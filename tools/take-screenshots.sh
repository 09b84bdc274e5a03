#!/bin/bash
# Retakes the screenshots of the user guide.
#
#   tools/take-screenshots.sh [PROGRAM] [OUT_DIR] [REVIEW_DIR]
#
# PROGRAM is the windows program (default build/bin/zr7e; zr7e-cli must lie beside it), OUT_DIR
# the folder the pictures that docs/user-guide.md shows go to (default docs/images), and
# REVIEW_DIR the folder of every other picture, taken to be looked at and shipped with nothing
# (default build/screenshots). The script starts its own X
# server on display :95 (set ZR7_SHOTS_DISPLAY to use another) with openbox on it, gives the
# program a scratch home with a few sample files, a keyfile and a saved setup (shown to it as
# /home/sam, so that the pictures show the paths a user would have), drives it with
# the keyboard as a user would and takes each window as a PNG of that window alone:
#
#   main-window.png         the main window with a setup and a key
#   key-panel.png           the key panel of "Encryption key"
#   confirmation.png        the description and question of "Do it!"
#   report.png              the report window after the batch
#   randomness-report.png   the randomness report of the output files
#   help.png                the help window
#
# Then it starts the program again under a dark desktop palette and takes the same windows and
# every other one it can reach, each as dark-<window>.png: the six above, a file dialog, the key
# inspection, the help's credits, the reliability test, the antivirus question and the purge
# advice, the single file's randomness window with its byte-pair picture, the three ways of
# typing or making a key, and a message box. The dark palette comes as a desktop gives it,
# through Qt's own KDE platform theme: a colour scheme in a kdeglobals file, read when
# XDG_CURRENT_DESKTOP is KDE (Qt falls back to its Fusion style); the program is told nothing.
#
# Whatever happens, it ends every process it started and removes the scratch home.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$(realpath -ms "${1:-$here/build/bin/zr7e}")
out_dir=$(realpath -ms "${2:-$here/docs/images}")
review_dir=$(realpath -ms "${3:-$here/build/screenshots}")
cli="$(dirname "$program")/zr7e-cli"
display="${ZR7_SHOTS_DISPLAY:-:95}"

say() { printf 'take-screenshots: %s\n' "$*" >&2; }
die() {
    say "$*"
    exit 1
}

# --- What the script needs -------------------------------------------------------------------

missing=()
for need in Xvfb:xvfb openbox:openbox xdotool:xdotool import:imagemagick convert:imagemagick; do
    command -v "${need%%:*}" >/dev/null 2>&1 || missing+=("${need#*:}")
done
if ((${#missing[@]})); then
    die "missing programs; install them with: sudo apt-get install $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')"
fi
[[ -x "$program" ]] || die "no program at $program (build it first, or name it as the first argument)"
[[ -x "$cli" ]] || die "no zr7e-cli beside the program ($cli)"
if [[ -e "/tmp/.X${display#:}-lock" ]]; then
    die "display $display is in use; set ZR7_SHOTS_DISPLAY to a free one (for example :96)"
fi
mkdir -p "$out_dir" "$review_dir"

# --- Cleaning up, whatever happens -----------------------------------------------------------

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zr7e-demo.XXXXXX")
xvfb_pid=""
openbox_pid=""
app_pid=""

stop_process() {
    local pid=$1
    [[ -n "$pid" ]] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    stop_process "$app_pid"
    stop_process "$openbox_pid"
    stop_process "$xvfb_pid"
    if ((status != 0)) && [[ -s "$scratch/program.log" ]]; then
        say "the program's output:"
        sed 's/^/    /' "$scratch/program.log" >&2
    fi
    rm -rf "$scratch"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- The scratch home ------------------------------------------------------------------------

# The pictures show the paths the program is given, so the scratch home is laid over /home in
# a mount namespace of the program's own and the program sees /home/sam, as a user's would be.
# Where the system allows no such namespace, the program sees the scratch path itself.
homes="$scratch/homes"
home="$homes/sam"
shown_home="$home"
if unshare --mount --map-root-user true 2>/dev/null; then
    shown_home=/home/sam
else
    say "no mount namespace here: the pictures show the scratch path $home"
fi
config="$home/.config"
mkdir -p "$home/Documents" "$home/safe" "$home/keys" "$config/zr7e" "$scratch/runtime"
chmod 700 "$scratch/runtime"

# Text of some length, so that the randomness report gives every file a value.
sample_text() {
    local subject=$1 lines=$2 i
    for ((i = 1; i <= lines; i++)); do
        printf '%s, item %d: figures checked on %02d March, nothing to add for now.\n' \
            "$subject" "$i" $((i % 28 + 1))
    done
}
sample_text "Quarterly report" 120 >"$home/Documents/report.txt"
sample_text "Meeting notes" 40 >"$home/Documents/notes.txt"
sample_text "Letter to the bank" 25 >"$home/Documents/letter.txt"
printf 'month,income,costs\nJanuary,4200,3100\nFebruary,4150,2980\nMarch,4390,3320\n' \
    >"$home/Documents/budget.csv"
"$cli" newkey "$home/keys/my.key" >/dev/null
mkdir -p "$home/zr7test"
cp "$home/Documents/notes.txt" "$home/zr7test/notes.tst"

# A setup: encrypt FOLDER/FILES to safe/*.zr7, or in place when IN_PLACE is 1.
opn_line() { printf '%s\r\n' "$1"; }
write_setup() {
    local folder=$1 files=$2 in_place=${3:-0}
    opn_line "1.02"
    opn_line " 1 "         # encrypt
    opn_line " 0 "         # no confirmation of each file
    opn_line " $in_place " # output files the same as the input files, or not
    opn_line " 0 "         # no subfolders
    opn_line "\"$folder/\""
    opn_line "\"$files\""
    opn_line "\"$shown_home/safe/\""
    opn_line '"*.zr7"'
}
# The reliability test is offered for the .tst files of a folder named zr7test.
write_setup "$shown_home/zr7test" '*.tst' >"$home/test.opn"
# Encrypting a .doc file in place brings the antivirus question and the purge advice.
mkdir -p "$home/office"
write_setup "$shown_home/office" '*.doc' 1 >"$home/office.opn"

# A dark colour scheme as a KDE desktop writes it.
mkdir -p "$scratch/desktop"
cat >"$scratch/desktop/kdeglobals" <<'SCHEME'
[Colors:Window]
BackgroundNormal=44,46,50
ForegroundNormal=226,228,230

[Colors:View]
BackgroundNormal=30,32,35
BackgroundAlternate=38,40,44
ForegroundNormal=226,228,230
ForegroundLink=104,168,240
ForegroundVisited=176,140,226

[Colors:Button]
BackgroundNormal=56,59,64
ForegroundNormal=226,228,230

[Colors:Selection]
BackgroundNormal=54,112,184
ForegroundNormal=255,255,255

[Colors:Tooltip]
BackgroundNormal=44,46,50
ForegroundNormal=226,228,230
SCHEME

# --- The X server and the window manager ----------------------------------------------------

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(cat "$scratch/xvfb.log")"
    sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || die "Xvfb on $display does not answer"

HOME="$home" openbox >"$scratch/openbox.log" 2>&1 &
openbox_pid=$!
sleep 1

# --- The program ------------------------------------------------------------------------------

# The program sees only the scratch home, in the C locale and with Qt's own look, so that a
# retake gives the same pictures on any machine; the arguments add to its environment. Each
# start begins with the first setup and an empty output folder.
start_program() {
    write_setup "$shown_home/Documents" '*.txt' >"$config/zr7e/zr7e.opn"
    rm -f "$home/safe/"*
    sample_text "Minutes" 30 >"$home/office/minutes.doc"
    local inside=(env) run=$program
    if [[ "$shown_home" != "$home" ]]; then
        # The real /home stays reachable for a program built under it.
        mkdir -p "$scratch/realhome"
        [[ "$program" != /home/* ]] || run="$scratch/realhome/${program#/home/}"
        inside=(unshare --mount --map-root-user sh -c
            'mount --rbind /home "$0/realhome" && mount --bind "$0/homes" /home && exec "$@"'
            "$scratch" env)
    fi
    cd "$home"
    "${inside[@]}" -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE -u XDG_CURRENT_DESKTOP \
        -u DBUS_SESSION_BUS_ADDRESS -u KDE_SESSION_VERSION -u XDG_CONFIG_DIRS \
        HOME="$shown_home" XDG_CONFIG_HOME="$shown_home/.config" \
        XDG_DATA_HOME="$shown_home/.local/share" XDG_CACHE_HOME="$shown_home/.cache" \
        XDG_RUNTIME_DIR="$scratch/runtime" \
        LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 "$@" \
        "$run" >>"$scratch/program.log" 2>&1 &
    app_pid=$!
}

# --- Driving it ------------------------------------------------------------------------------

# The id of the visible window whose title matches the pattern, once it is there.
wait_window() {
    local pattern=$1 id
    for _ in $(seq 100); do
        kill -0 "$app_pid" 2>/dev/null || die "the program ended early"
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -n 1 || true)
        if [[ -n "$id" ]]; then
            printf '%s\n' "$id"
            return 0
        fi
        sleep 0.1
    done
    die "no window titled '$pattern' appeared"
}

# Waits until the active window is the one given, so that keys go where they are meant to.
wait_active() {
    local id=$1
    for _ in $(seq 50); do
        [[ "$(xdotool getactivewindow 2>/dev/null || true)" == "$id" ]] && return 0
        sleep 0.1
    done
    die "window $id did not get the focus"
}

keys() {
    xdotool key --clearmodifiers --delay 120 "$@"
    sleep 0.4
}

# The window with its frame, as a small PNG named with the prefix of the pass, beside the
# guide's pictures when the guide shows it.
prefix=""
shoot() {
    local id=$1 name=$prefix$2 dir=$review_dir
    grep -qF "](images/$name)" "$here/docs/user-guide.md" && dir=$out_dir
    sleep 0.6 # the last repaint
    import -frame -window "$id" "$scratch/shot.png"
    convert "$scratch/shot.png" -strip +dither -colors 256 PNG8:"$dir/$name"
    say "$name ($(identify -format '%wx%h' "$dir/$name"))"
}

# Activates the main window again once a window over it has gone.
back_to_main() {
    xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
    wait_active "$main"
}

# The windows of the guide's one setup, from the key to the help.
guide_windows() {
    main=$(wait_window '^1\.[0-9]+ Revarodevaza ZR7$')
    back_to_main
    sleep 0.5

    # The key panel, then the key from the keyfile: its third choice opens a file dialog, and
    # the question that follows ("Inspect the key?") is answered No, or on the dark pass Yes:
    # the inspection's default button then takes the key.
    keys alt+k
    shoot "$main" key-panel.png
    keys Tab Tab Return
    dialog=$(wait_window 'from keyfile$')
    wait_active "$dialog"
    xdotool type --delay 20 "$shown_home/keys/my.key"
    [[ -z "$prefix" ]] || shoot "$dialog" file-dialog.png
    keys Return
    question=$(wait_window 'my\.key$')
    wait_active "$question"
    if [[ -z "$prefix" ]]; then
        keys Return
    else
        keys Tab Return
        inspect=$(wait_window '^Inspect the key$')
        wait_active "$inspect"
        shoot "$inspect" inspect-key.png
        keys Return
    fi
    wait_active "$main"
    shoot "$main" main-window.png

    # "Do it!": the confirmation, then the batch and its report.
    keys alt+d
    confirm=$(wait_window '^Confirm operation$')
    wait_active "$confirm"
    shoot "$confirm" confirmation.png
    keys Return
    report=$(wait_window '^Encrypting')
    for _ in $(seq 150); do
        n=$(find "$home/safe" -maxdepth 1 -name '*.zr7' | wc -l)
        ((n == 3)) && [[ -z "$(find "$home/safe" -maxdepth 1 -name '.zr7-*')" ]] && break
        sleep 0.2
    done
    ((n == 3)) || die "the batch did not write its three files"
    sleep 1
    shoot "$report" report.png
    xdotool windowactivate --sync "$report" >/dev/null 2>&1 || true
    keys Escape

    # The randomness report: its panel offers the input and the output files; the second is
    # taken.
    back_to_main
    keys alt+m
    keys Tab Return
    randomness=$(wait_window '^Randomness report')
    wait_active "$randomness"
    sleep 1
    shoot "$randomness" randomness-report.png
    xdotool windowactivate --sync "$randomness" >/dev/null 2>&1 || true
    keys Escape

    # The help window.
    back_to_main
    keys alt+h
    help=$(wait_window '^Help for')
    shoot "$help" help.png
}

# The windows the guide's setup does not show, taken on the dark pass.
other_windows() {
    # The credits, from the help's "Author", after its text and Close.
    keys Tab Tab Return
    credits=$(wait_window '^Credits$')
    wait_active "$credits"
    shoot "$credits" credits.png
    keys Escape
    xdotool windowactivate --sync "$help" >/dev/null 2>&1 || true
    wait_active "$help"
    keys Escape

    # The reliability test, offered by "Do it!" for a setup of .tst files in zr7test.
    load_setup "$shown_home/test.opn"
    keys alt+d
    test=$(wait_window '^Reliability test$')
    wait_active "$test"
    shoot "$test" reliability-test.png
    keys Escape

    # The antivirus question and the purge advice, both answered with their default button.
    load_setup "$shown_home/office.opn"
    keys alt+d
    confirm=$(wait_window '^Confirm operation$')
    wait_active "$confirm"
    keys Return
    antivirus=$(wait_window '^Antivirus software query$')
    wait_active "$antivirus"
    shoot "$antivirus" antivirus-query.png
    keys Return
    advice=$(wait_window '^Purge advice$')
    wait_active "$advice"
    shoot "$advice" purge-advice.png
    keys Return
    report=$(wait_window '^Encrypting')
    sleep 1
    xdotool windowactivate --sync "$report" >/dev/null 2>&1 || true
    keys Escape

    # A single file's randomness window, with the byte-pair picture of its bytes.
    back_to_main
    keys alt+s
    dialog=$(wait_window '^Specify file to be')
    wait_active "$dialog"
    xdotool type --delay 20 "$shown_home/Documents/report.txt"
    keys Return
    back_to_main
    sleep 1
    keys alt+m Return
    picture=$(wait_window 'report\.txt')
    wait_active "$picture"
    keys Return
    sleep 2
    shoot "$picture" byte-pair-picture.png
    keys Escape

    # The key typed with and without display, the first and second choices of the key panel,
    # and a random key, the fourth, which first asks for the new keyfile's name. Each window is
    # left with Escape.
    key_window 0 'Type key .with display.$' type-key-with-display.png
    key_window 1 'Type key .without display.$' type-key-without-display.png
    key_window 3 '^Specify new keyfile$'
    xdotool type --delay 20 "$shown_home/keys/new.key"
    keys Return
    window=$(wait_window '^Create random key$')
    wait_active "$window"
    shoot "$window" random-key.png
    keys Escape
    # Left before it had enough movements, it says so in a message box: Cancel.
    message=$(wait_window '^Key not sufficiently random$')
    wait_active "$message"
    shoot "$message" message-box.png
    keys Escape
}

# Loads the operation file PATH through Setup, Load setup. The setup menu opens on "Save
# setup": "Load setup" is the one before it.
load_setup() {
    back_to_main
    keys alt+u shift+Tab Return
    dialog=$(wait_window '^Specify operation file')
    wait_active "$dialog"
    xdotool type --delay 20 "$1"
    keys Return
    back_to_main
    sleep 1 # a command within a second of a file dialog is taken for a stray click
}

# Opens the key panel's choice number CHOICE and waits for the window titled PATTERN; with a
# NAME, types a key into it, takes it as NAME and leaves it with Escape.
key_window() {
    local choice=$1 pattern=$2 name=${3:-} i
    back_to_main
    keys alt+k
    for ((i = 0; i < choice; i++)); do keys Tab; done
    keys Return
    window=$(wait_window "$pattern")
    wait_active "$window"
    [[ -n "$name" ]] || return 0
    xdotool type --delay 20 'correct horse'
    shoot "$window" "$name"
    keys Escape
}

# A proper end: Quit, and the program leaves on its own (cleanup ends it otherwise).
quit_program() {
    back_to_main
    keys alt+q
    for _ in $(seq 30); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    stop_process "$app_pid"
    app_pid=""
}

start_program
guide_windows
xdotool windowactivate --sync "$help" >/dev/null 2>&1 || true
keys Escape
quit_program

# The same under a dark palette, and the other windows.
prefix=dark-
start_program XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 XDG_CONFIG_DIRS="$scratch/desktop"
guide_windows
other_windows
quit_program
say "done: the guide's pictures are in $out_dir, the others in $review_dir"
