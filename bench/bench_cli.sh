#!/usr/bin/env bash
# zezu-convert on a large Windows-1251 file of Russian prose, file to file,
# next to recode and to a Python script doing the same mapping, on the same
# file in the same run: seconds, millions of input characters per second and
# peak memory of each, and our speed as a multiple of theirs.
#
#   bench/bench_cli.sh [--mib N] [--dir DIR] [--program PATH]
#
# The input (N MiB, 1024 unless told; one byte is one character) is made from
# the fortunes-ru texts with iconv and CR LF line ends, in DIR (/dev/shm when
# there is one, so that both files stay in the page cache, else /tmp), read
# once to warm the cache, and removed afterwards with every output. Needs
# iconv, recode, python3 and GNU time (/usr/bin/time).
#
# recode has no mapping of its own that is ours: it runs cp1251..html_4.0, the
# closest, which writes the Cyrillic letters as &#NNNN; and the markup
# characters as named references too, but leaves spaces alone and writes
# CR LF as LF. The Python script (cli_reference.py) does exactly our mapping,
# with str.translate; its output is compared with ours.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mib=1024
dir=/tmp
[ -d /dev/shm ] && dir=/dev/shm
program=$here/../build/src/zezu-convert
while [ $# -gt 0 ]; do
    case $1 in
        --mib) mib=$2; shift 2 ;;
        --dir) dir=$2; shift 2 ;;
        --program) program=$2; shift 2 ;;
        *) echo "usage: $0 [--mib N] [--dir DIR] [--program PATH]" >&2; exit 2 ;;
    esac
done
for tool in iconv recode python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done
[ -x "$program" ] || { echo "no $program: cmake --build build --target zezu-convert" >&2; exit 1; }

work=$(mktemp -d "$dir/zezu-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
in=$work/in.txt

# Russian prose, every line ended by CR LF, repeated up to the size.
cat /usr/share/games/fortunes/ru/*.u8 | iconv -c -f UTF-8 -t WINDOWS-1251 \
    | sed 's/$/\r/' > "$work/seed.txt"
python3 - "$work/seed.txt" "$in" "$mib" <<'PY'
import sys
seed = open(sys.argv[1], 'rb').read()
size = int(sys.argv[3]) << 20
with open(sys.argv[2], 'wb') as out:
    written = 0
    while written < size:
        part = seed[:size - written]
        out.write(part)
        written += len(part)
PY
chars=$(stat -c %s "$in")
cat "$in" > /dev/null

# Runs one tool: its wall seconds and peak resident kilobytes.
measure() {
    local name=$1
    shift
    rm -f "$work/out.txt"
    cat "$in" > /dev/null
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@"
    read -r secs kb < "$work/time.txt"
    printf '%-10s %8.2f %12.1f %12.1f\n' "$name" "$secs" \
        "$(echo "$chars / $secs / 1000000" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
    eval "secs_$name=$secs"
}

echo "input: $chars characters (Windows-1251, CR LF) in $dir"
printf '%-10s %8s %12s %12s\n' tool seconds "M chars/s" "peak MiB"
measure ours "$program" "$in" -o "$work/out.txt"
mv "$work/out.txt" "$work/ours.txt"
measure python python3 "$here/cli_reference.py" "$in" "$work/out.txt"
cmp -s "$work/out.txt" "$work/ours.txt" && same=yes || same=NO
rm -f "$work/ours.txt"
measure recode sh -c 'recode cp1251..html_4.0 < "$1" > "$2"' sh "$in" "$work/out.txt"
echo "python's output is ours byte for byte: $same"
printf 'ours / recode: %.1f x   ours / python: %.1f x\n' \
    "$(echo "$secs_recode / $secs_ours" | bc -l)" "$(echo "$secs_python / $secs_ours" | bc -l)"
