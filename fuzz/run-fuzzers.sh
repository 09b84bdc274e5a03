#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for SECONDS (default 60) on a copy of its seed
# corpus; fails on the first crash, leak or broken property, and prints per fuzzer the
# executions and the coverage reached.
#
#   fuzz/run-fuzzers.sh [SECONDS] [BUILD_FOLDER]
#
# BUILD_FOLDER (default build-fuzz beside fuzz/) receives the build, the corpus copies, the logs
# and any crashing input; nothing is written anywhere else. Exits 77 (skipped) when clang or its
# fuzzer runtime is missing.
set -euo pipefail

seconds="${1:-60}"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${2:-$source_dir/build-fuzz}"
fuzzers=(fuzz_decrypt fuzz_operationfile fuzz_programtext fuzz_names fuzz_keyfile)

find_tool() {
    local name
    for name in "$@"; do
        command -v "$name" >/dev/null 2>&1 && { command -v "$name"; return 0; }
    done
    return 1
}

cxx="$(find_tool clang++-14 clang++)" || { echo "clang++ not found: fuzzers skipped"; exit 77; }
cc="$(find_tool clang-14 clang)" || { echo "clang not found: fuzzers skipped"; exit 77; }
if ! "$cxx" -print-file-name=libclang_rt.fuzzer-x86_64.a | grep -q /; then
    echo "libFuzzer runtime (libclang-rt-14-dev) not found: fuzzers skipped"
    exit 77
fi
symbolizer="$(find_tool llvm-symbolizer-14 llvm-symbolizer)" && export ASAN_SYMBOLIZER_PATH="$symbolizer"

# The machine is shared with the other tests: build and fuzz at a lower priority.
mkdir -p "$build_dir"
nice -n 10 cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DZR7_FUZZ=ON -DBUILD_TESTING=OFF \
    >"$build_dir/configure.log" 2>&1 || { cat "$build_dir/configure.log"; exit 1; }
nice -n 10 cmake --build "$build_dir" --target fuzzers

failed=()
summary=()
for fuzzer in "${fuzzers[@]}"; do
    corpus="$build_dir/corpus-run/$fuzzer"
    artifacts="$build_dir/artifacts/$fuzzer"
    log="$build_dir/logs/$fuzzer.log"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    cp "$source_dir/fuzz/corpus/$fuzzer/"* "$corpus/"
    echo "== $fuzzer: $seconds s"
    status=0
    nice -n 10 "$build_dir/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::' "$log" || true
    if [ "$status" -ne 0 ]; then
        echo "$fuzzer FAILED (exit $status); its input is in $artifacts, the log in $log:"
        tail -n 60 "$log"
        failed+=("$fuzzer")
    fi
    done_line="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)"
    executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
    cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")"
    ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")"
    corp="$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$done_line")"
    summary+=("$(printf '%-20s %12s %8s %6s %6s %6s' "$fuzzer" "${executions:--}" \
        "${rate:--}" "${cov:--}" "${ft:--}" "${corp:--}")")
done

echo
printf '%-20s %12s %8s %6s %6s %6s\n' fuzzer executions exec/s cov ft corpus
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed: ${failed[*]}"
    exit 1
fi
