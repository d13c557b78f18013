#!/usr/bin/env bash
# Adding, reading and opening at the speed of the plain file work that does the same, each
# figure beside its reference measured in the same run (medians of 5, the two alternating):
#   1. brelk add of 1,000 DFS discs (about 133 KB each) onto a fresh card against cat of the
#      same files into one file followed by sync --data of it;
#   2. brelk add --dry-run of them against reading them (cat > /dev/null);
#   3. the system calls of that add (strace -f -c): stat and open calls per file;
#   4. how often brelk get of a 64 MiB object opens the card;
#   5. brelk put of 17 bytes onto a card of 65,000 entries against the same put onto 100;
#   6. the window opening a card of 65,535 entries against one of 100 (under Xvfb): the time
#      from start until the main window is mapped, and the peak memory at that moment.
# Usage: scripts/bench-add.sh [BUILD_DIR] [PARTS...]   (parts: add dry strace get put window;
# default all)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
shift || true
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(add dry strace get put window)
brelk="$build/cli/brelk"
window="$build/app/brelkexplorer"
dir=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
runs=5
discs=1000
# Journals and kept catalogues of these throw-away cards stay in the temporary folder.
export XDG_STATE_HOME="$dir/state"

wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# A over B to two places; "-" when B is too small to divide by (a CPU time of 0.00 s).
ratio() { awk "BEGIN { if ($2 > 0) printf \"%.2f\", $1 / $2; else printf \"-\" }"; }
# Runs the command with its output discarded and prints its wall-clock seconds (to the
# microsecond) and its CPU seconds.
measure() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S" -o "$dir/time" "$@" >/dev/null
    end=$(date +%s%N)
    awk -v ns=$((end - start)) '{ printf "%.6f %.3f\n", ns / 1e9, $1 + $2 }' "$dir/time"
}
# Column C of a measurement file, median.
col() { cut -d' ' -f"$2" "$dir/$1" | median; }
# "A s (CPU a s) against R s (CPU r s): ratio X (CPU Y)" for measurement files A and R.
compare() {
    local a r ac rc
    a=$(col "$1" 1) r=$(col "$2" 1) ac=$(col "$1" 2) rc=$(col "$2" 2)
    echo "$a s (CPU $ac s) against $r s (CPU $rc s): ratio $(ratio "$a" "$r")" \
        "(CPU $(ratio "$ac" "$rc"))"
}

# The test data: DFS discs of 470 to 570 sectors whose files fill them, with catalogues of
# 800 sectors (files cut after their last used sector) and varied contents; and card images
# with N one-block tools written straight into their catalogue.
python3 - "$dir" "$discs" <<'EOF'
import os, random, struct, sys
work, count = sys.argv[1], int(sys.argv[2])
os.makedirs(f"{work}/discs")
rng = random.Random(19)
for i in range(count):
    sectors = 470 + (i * 37) % 101
    files = 1 + i % 8
    disc = bytearray(rng.randbytes(sectors * 256))
    disc[0:1024] = bytes(1024)
    disc[0:8] = b"D%07d" % i
    disc[256 + 5] = 8 * files
    disc[256 + 6] = 0x03  # 800 sectors
    disc[256 + 7] = 0x20
    start, per = 2, (sectors - 2) // files
    for f in range(files):
        length = (sectors - start) * 256 if f == files - 1 else per * 256
        disc[8 + 8 * f:16 + 8 * f] = b"F%d     $" % f
        disc[256 + 8 + 8 * f:256 + 16 + 8 * f] = struct.pack(
            "<HHHBB", 0x1900, 0x8023, length & 0xFFFF, ((length >> 16) & 3) << 4, start & 0xFF)
        disc[256 + 8 + 8 * f + 6] |= (start >> 8) & 3
        disc[256 + 8 + 8 * f + 7] = start & 0xFF
        start += length // 256
    with open(f"{work}/discs/d{i:05d}.ssd", "wb") as out:
        out.write(disc)

def make_card(path, entries):
    catalogue_end = -(-(512 + 64 * entries) // 512) * 512
    size = catalogue_end + entries * 1024 + (8 << 20) + 8192
    limit = size - 8192
    names = sorted("T%05d" % i for i in range(entries))
    body = bytearray()
    with open(path, "wb") as card:
        card.truncate(size)
        at = limit
        for i, name in enumerate(names):
            at -= 1024
            entry = struct.pack("<BBHIII48s", 2, 0, 0, at + 512, 512, 0, name.encode())
            body += entry
            card.seek(at)
            card.write(b"BrelkEnt" + bytes(8) + entry + bytes(432) + bytes([i & 0xFF]) * 512)
        header = b"BrelkCat" + bytes(8) + struct.pack("<II", entries, at)
        card.seek(0)
        card.write(header + bytes(512 - len(header)) + body)

for entries in (100, 65000, 65535):
    make_card(f"{work}/card-{entries}.img", entries)
EOF
bytes=$(cat "$dir"/discs/*.ssd | wc -c)
card_size=$(((bytes / 1048576 + 32)))M
echo "$discs discs, $((bytes / 1000)) KB"
fresh_card() {
    rm -f "$dir/card.img"
    "$brelk" create "$dir/card.img" "$card_size" >/dev/null
    "$brelk" format "$dir/card.img" >/dev/null
}

if wants add; then
    echo "== brelk add of the discs onto a fresh card, against cat into one file + sync --data"
    : >"$dir/add" && : >"$dir/copy"
    for _ in $(seq $runs); do
        fresh_card
        sync
        measure "$brelk" add "$dir/card.img" "$dir/discs" >>"$dir/add"
        rm -f "$dir/copy.bin"
        sync
        measure sh -c "cat '$dir'/discs/*.ssd >'$dir/copy.bin' && sync --data '$dir/copy.bin'" \
            >>"$dir/copy"
    done
    echo "  add $(compare add copy)"
fi

if wants dry; then
    echo "== brelk add --dry-run of the discs, against reading them (cat > /dev/null)"
    fresh_card
    : >"$dir/dry" && : >"$dir/read"
    for _ in $(seq $runs); do
        measure "$brelk" add "$dir/card.img" "$dir/discs" --dry-run >>"$dir/dry"
        measure sh -c "cat '$dir'/discs/*.ssd >/dev/null" >>"$dir/read"
    done
    echo "  dry run $(compare dry read)"
fi

if wants strace; then
    echo "== system calls of brelk add of $discs discs (strace -f -c)"
    fresh_card
    strace -f -c -o "$dir/strace" "$brelk" add "$dir/card.img" "$dir/discs" >/dev/null
    # Calls of the named system calls: the fourth column, whether or not errors are listed.
    calls() { awk -v pattern="^($1)\$" '$NF ~ pattern { n += $4 } END { print n + 0 }' \
        "$dir/strace"; }
    stats=$(calls 'stat|lstat|fstat|newfstatat|statx|fstatat64')
    opens=$(calls 'open|openat|openat2')
    echo "  stat calls $stats ($(ratio "$stats" "$discs") per file)," \
        "open calls $opens ($(ratio "$opens" "$discs") per file)"
fi

if wants get; then
    echo "== brelk get of 64 MiB: opens of the card"
    fresh_card
    head -c $((64 << 20)) /dev/urandom >"$dir/big.bin"
    "$brelk" put "$dir/card.img" "$dir/big.bin" --name BIG >/dev/null
    strace -f -e trace=open,openat,openat2 -o "$dir/strace-get" \
        "$brelk" get "$dir/card.img" BIG -o "$dir/out.bin"
    cmp -s "$dir/big.bin" "$dir/out.bin" || { echo "  get differs"; exit 1; }
    # The card's own path only (the journal's name holds it too): the lock's open and the
    # device's.
    echo "  the card opened $(grep -c "\"$dir/card.img\"" "$dir/strace-get") times"
    rm -f "$dir/big.bin" "$dir/out.bin"
fi

if wants put; then
    echo "== brelk put of 17 bytes onto 65,000 entries, against the same put onto 100"
    printf 'seventeen bytes!\n' >"$dir/small.bin"
    : >"$dir/put-65000" && : >"$dir/put-100"
    for _ in $(seq $runs); do
        for entries in 65000 100; do
            cp --sparse=always "$dir/card-$entries.img" "$dir/run.img"
            # The copy's own dirty pages are written first: the put's sync would flush them.
            sync "$dir/run.img"
            measure "$brelk" put "$dir/run.img" "$dir/small.bin" --name SMALL \
                >>"$dir/put-$entries"
        done
    done
    echo "  put $(compare put-65000 put-100)"
fi

if wants window; then
    echo "== the window on 65,535 entries, against 100 entries (Xvfb)"
    display=:$((90 + RANDOM % 400))
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        DISPLAY=$display xwininfo -root >/dev/null 2>&1 && break
        sleep 0.1
    done
    # Whether the main window is mapped: it is told from the splash window of the same title
    # by the size the settings give it.
    main_window_shown() {
        local id
        id=$(DISPLAY=$display xwininfo -root -tree 2>/dev/null |
            awk '/"BrelkExplorer": .* 777x555/ { print $1; exit }')
        [ -n "$id" ] && DISPLAY=$display xwininfo -id "$id" 2>/dev/null |
            grep -q 'Map State: IsViewable'
    }
    # Starts the window on Card and prints the seconds until its main window is mapped and
    # its peak memory then, in KiB.
    open_window() {
        local settings="$dir/window.ini" start pid end kib
        printf '[General]\nMMCDrive="%s"\nCheckForUpdates=0\nPosWindowLeft=20\nPosWindowTop=20\nPosWindowWidth=777\nPosWindowHeight=555\n' \
            "$1" >"$settings"
        start=$(date +%s%N)
        DISPLAY=$display BRELKEXPLORER_SETTINGS=$settings QT_QPA_PLATFORM=xcb \
            "$window" >/dev/null 2>&1 &
        pid=$!
        until main_window_shown; do
            kill -0 "$pid" 2>/dev/null || { echo "the window ended early" >&2; exit 1; }
            sleep 0.01
        done
        end=$(date +%s%N)
        kib=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
        kill "$pid"
        wait "$pid" 2>/dev/null || true
        echo "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }') $kib"
    }
    : >"$dir/window-65535" && : >"$dir/window-100"
    for _ in $(seq $runs); do
        for entries in 65535 100; do
            cp --sparse=always "$dir/card-$entries.img" "$dir/run-$entries.img"
            open_window "$dir/run-$entries.img" >>"$dir/window-$entries"
        done
    done
    big=$(col window-65535 1) small=$(col window-100 1)
    big_kib=$(col window-65535 2) small_kib=$(col window-100 2)
    echo "  shown after $big s against $small s: ratio $(ratio "$big" "$small");" \
        "peak memory $((big_kib / 1024)) MiB against $((small_kib / 1024)) MiB:" \
        "ratio $(ratio "$big_kib" "$small_kib")"
fi
