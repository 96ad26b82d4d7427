#!/usr/bin/env bash
# Writes the hand-made seed corpus for fuzz_LoadTGA into corpus/ (rerun to restore the seeds).
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus"
mkdir -p "$out"

# hdr WIDTH HEIGHT DEPTH [DESCRIPTOR] [TYPE]: an 18-byte header, octal escapes for printf.
hdr() {
    local w=$1 h=$2 d=$3 desc=${4:-0} type=${5:-2}
    printf '\\000\\000\\%03o\\000\\000\\000\\000\\000\\000\\000\\000\\000' "$type"
    printf '\\%03o\\%03o\\%03o\\%03o\\%03o\\%03o' $((w & 255)) $((w >> 8)) $((h & 255)) $((h >> 8)) "$d" "$desc"
}
seed() { printf "$2" > "$out/$1"; }

seed valid_1x1_24        "$(hdr 1 1 24)\001\002\003"
seed valid_2x1_32        "$(hdr 2 1 32)\020\040\060\100\120\140\160\200"
seed valid_3x2_24_topleft "$(hdr 3 2 24 32)abcdefghijklmnopqr"
seed valid_5x1_32_trailer "$(hdr 5 1 32)0123456789ABCDEFGHIJTRUEVISION-XFILE."
seed rle_type_10         "$(hdr 1 1 24 0 10)\001\002\003"
seed colour_mapped       "$(hdr 1 1 8 0 1)\001"
seed depth_16            "$(hdr 2 1 16)\001\002\003\004"
seed width_0             "$(hdr 0 1 24)\001\002\003"
seed short_pixels        "$(hdr 2 2 32)\001\002\003\004\005\006\007\010\011\012\013\014\015\016\017"
seed huge_header_only    "$(hdr 65535 65535 32)"
seed wraps_32_bits       "$(hdr 32768 32768 32)\001\002\003\004"
seed eleven_bytes        '\000\000\002\000\000\000\000\000\000\000\000'
seed template_plus_five  '\000\000\002\000\000\000\000\000\000\000\000\000\001\000\001\000\030'
