#!/usr/bin/env bash
# Runs the examples of each document as a reader would type them: the lines of every code block
# marked by an HTML comment "<!-- example" on the line before it, in order, verbatim, in a
# scratch folder that holds a few sample files (a folder `documents` with a subfolder, and a
# `zr7test` folder of .tst files). The build's programs are on the path, and `build/bin/` leads
# to them as it does in the source folder. Every command must succeed; afterwards every sample
# file holds its bytes and its mode under its own name, no file has joined `documents`, and
# every file under `restored/` is the sample file of the same path (below `documents` or the
# scratch folder). Only results are checked, never the programs' messages.
# A code block that shows zr7e-cli without the mark fails the check: every example is run.
# Usage: check-doc-examples.sh BUILD_DIR DOCUMENT...
set -euo pipefail
build=$(realpath "$1")
shift
[ -x "$build/bin/zr7e-cli" ] || { echo "no zr7e-cli in $build/bin" >&2; exit 1; }

# The lines of the marked code blocks of a Markdown file. A mark must stand right before a
# fenced block, and a fenced block that shows zr7e-cli must have one.
extract() {
    awk -v doc="$1" '
        function fail(why) { print doc ":" NR ": " why > "/dev/stderr"; bad = 1; exit 1 }
        inside && /^```/ { inside = 0; if (!marked && shows) fail("an example without its mark"); next }
        inside { if (marked) print; if (/zr7e-cli/) shows = 1; next }
        /^```/ { inside = 1; shows = 0; marked = armed; armed = 0; next }
        armed && !/^[[:space:]]*$/ { fail("the example mark is not followed by a code block") }
        /^<!-- example/ { armed = 1 }
        END { if (!bad && (inside || armed)) fail("the document ends inside an example") }
    ' "$1"
}

sample_files() {
    local root=$1
    mkdir -p "$root/documents/plans" "$root/zr7test"
    printf 'Dear reader,\nthe figures follow.\n' >"$root/documents/letter.txt"
    seq 1 400 >"$root/documents/notes.txt"
    head -c 3000 /dev/urandom >"$root/documents/photo.jpg"
    seq 1000 1100 >"$root/documents/plans/budget.txt"
    printf '#!/bin/sh\necho planned\n' >"$root/documents/plans/run.sh"
    chmod 640 "$root/documents/notes.txt"
    chmod 600 "$root/documents/photo.jpg"
    chmod 755 "$root/documents/plans/run.sh"
    cp -p "$root/documents/notes.txt" "$root/zr7test/notes.tst"
    cp -p "$root/documents/letter.txt" "$root/zr7test/letter.tst"
}

# Every sample file with its mode and digest, and every name under documents/.
state() {
    (cd "$1" && find documents zr7test/*.tst -printf '%p %M\n' | sort &&
        find documents zr7test/*.tst -type f -print0 | sort -z | xargs -0 sha256sum)
}

scratches=$(mktemp -d)
trap 'rm -rf "$scratches"' EXIT

check_document() {
    local doc=$1 scratch
    scratch=$(mktemp -d "$scratches/XXXXXX")
    local commands
    commands=$(extract "$doc")
    [ -n "$commands" ] || { echo "$doc: no marked example" >&2; return 1; }
    sample_files "$scratch"
    ln -s "$build" "$scratch/build"
    local before
    before=$(state "$scratch")
    if ! (cd "$scratch" && HOME=$scratch PATH="$build/bin:$PATH" \
            bash -e -o pipefail -x -c "$commands" </dev/null >"$scratch/.log" 2>&1); then
        echo "$doc: an example failed; what it printed:" >&2
        cat "$scratch/.log" >&2
        return 1
    fi
    diff <(echo "$before") <(state "$scratch") >&2 ||
        { echo "$doc: the sample files (<) are not as they began (>)" >&2; return 1; }
    local restored=0 file
    while IFS= read -r -d '' file; do
        file=${file#"$scratch/restored/"}
        cmp -s "$scratch/restored/$file" "$scratch/documents/$file" ||
            cmp -s "$scratch/restored/$file" "$scratch/$file" ||
            { echo "$doc: restored/$file is no sample file" >&2; return 1; }
        restored=$((restored + 1))
    done < <(find "$scratch/restored" -type f -print0 2>/dev/null)
    [ ! -d "$scratch/restored" ] || [ "$restored" -gt 0 ] ||
        { echo "$doc: nothing was restored" >&2; return 1; }
    echo "$doc: $(grep -c . <<<"$commands") lines run; the sample files as they began," \
         "$restored restored files equal to theirs"
}

for doc in "$@"; do
    check_document "$doc"
done
