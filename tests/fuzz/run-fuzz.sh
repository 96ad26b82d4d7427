#!/usr/bin/env bash
# Builds fuzz_LoadTGA with clang (libFuzzer + ASan + UBSan) and fuzzes LoadTGA, merging new inputs into corpus/.
#
#   tests/fuzz/run-fuzz.sh            fuzz for 600 seconds
#   tests/fuzz/run-fuzz.sh 180        fuzz for 180 seconds
#   tests/fuzz/run-fuzz.sh -runs=N    fuzz for N inputs
#   tests/fuzz/run-fuzz.sh -runs=10000000 -max_total_time=3600
#                                     the long run: 10 million inputs or one hour,
#                                     whichever comes first (further -flag=value
#                                     arguments go to libFuzzer as they are)
#
# Environment: BUILD_DIR (default <repo>/build-fuzz), SOURCE_DIR (default the
# repository root), JOBS (default 2). Crashing inputs are kept in
# $BUILD_DIR/fuzz-artifacts/; turn each into a seed in corpus/ once fixed so
# the replay test guards it. Inputs that reach new code are merged into
# corpus/ whether or not the run found a crash.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
src="${SOURCE_DIR:-$repo}"
build="${BUILD_DIR:-$repo/build-fuzz}"
arg="${1:-600}"
case "$arg" in
    -runs=*) limit="$arg" ;;
    *[!0-9]*|'') echo "usage: $0 [SECONDS | -runs=N] [-flag=value...]" >&2; exit 2 ;;
    *) limit="-max_total_time=$arg" ;;
esac
shift $(( $# > 0 ? 1 : 0 ))
for extra in "$@"; do
    case "$extra" in
        -*=*) ;;
        *) echo "usage: $0 [SECONDS | -runs=N] [-flag=value...]" >&2; exit 2 ;;
    esac
done

CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARINE_TESTS=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_LoadTGA
fuzzer="$(find "$build" -name fuzz_LoadTGA -type f -perm -u+x | head -n 1)"

work="$(mktemp -d /tmp/fuzz_LoadTGA.XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"

# stdout is closed (-close_fd_mask=1): the loader's error line would otherwise
# be printed for most inputs and slow the run down.
status=0
"$fuzzer" -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/" \
    "$limit" "$@" "$work" "$here/corpus" || status=$?

"$fuzzer" -close_fd_mask=1 -merge=1 "$here/corpus" "$work"
echo "corpus now holds $(find "$here/corpus" -type f | wc -l) inputs; fuzzer exit status $status"
exit "$status"
