#!/usr/bin/env bash
# Builds BrelkExplorer and opens it on a demo card: an image file under demo/ holding a few
# sample objects made here, with a settings file of its own (the user's settings and real
# devices are never touched). Without a display the program runs under Xvfb and a screenshot
# of the window is written to demo/screenshot.png instead; "--screenshot FILE" always does
# that, into FILE (data/screenshots/main-window.png is the one the AppStream entry shows).
set -euo pipefail
SHOT=""
if [ "${1:-}" = "--screenshot" ]; then
    [ -n "${2:-}" ] || { echo "usage: $0 [--screenshot FILE]" >&2; exit 2; }
    SHOT="$(realpath -m "$2")"
fi
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
DEMO="$ROOT/demo"
# The screenshot shows the card's path: one that says nothing of this machine.
[ -z "$SHOT" ] || DEMO="${TMPDIR:-/tmp}/brelkexplorer-demo"
CARD="$DEMO/card.img"
SAMPLES="$DEMO/samples"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target brelk brelkexplorer
BRELK="$ROOT/build/cli/brelk"
PROGRAM="$ROOT/build/app/brelkexplorer"

# put_bytes FILE OFFSET BYTES...: writes the bytes (given as hexadecimal) at OFFSET.
put_bytes() {
    local file=$1 offset=$2
    shift 2
    local escaped=""
    for b in "$@"; do escaped+="\\x$b"; done
    printf "$escaped" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}

# put_text FILE OFFSET TEXT: writes TEXT (no terminator) at OFFSET.
put_text() {
    printf '%s' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# make_dfs_side FILE BYTES SECTORS TITLE: a DFS side of BYTES bytes whose catalogue holds
# !BOOT (sector 2) and a 4 KiB program (sectors 3 to 18), boot option 3 (exec).
make_dfs_side() {
    local file=$1 bytes=$2 sectors=$3 title=$4 program=$5
    dd if=/dev/zero of="$file" bs="$bytes" count=1 status=none
    put_text "$file" 0 "$(printf '%-8.8s' "$title")"
    # Entries in descending order of start sector, as DFS keeps them.
    put_text "$file" 8 "$(printf '%-7.7s' "$program")\$"
    put_text "$file" 16 "!BOOT  \$"
    put_text "$file" 256 "    "
    put_bytes "$file" 260 01 10 "$(printf '%02x' $((0x30 | (sectors >> 8))))" \
        "$(printf '%02x' $((sectors & 0xff)))"
    # The program: load 1900, exec 8023, 4096 bytes at sector 3.
    put_bytes "$file" 264 00 19 23 80 00 10 00 03
    # !BOOT: load FFFF1900, exec FFFF1900, 14 bytes at sector 2.
    put_bytes "$file" 272 00 19 00 19 0e 00 cc 02
    put_text "$file" 512 "*RUN $program"
    put_bytes "$file" 525 0d
    head -c 4096 /dev/urandom | dd of="$file" bs=256 seek=3 conv=notrunc status=none
}

rm -rf "$DEMO"
mkdir -p "$SAMPLES"
make_dfs_side "$SAMPLES/elite.ssd" 204800 800 "ELITE" "ELITE"
make_dfs_side "$SAMPLES/revs.ssd" 25600 100 "REVS" "REVS"
make_dfs_side "$SAMPLES/wordwise.ssd" 204800 800 "WORDWISE" "WW"
printf '10 PRINT "HELLO FROM THE BRELK-CARD"\r20 GOTO 10\r' >"$SAMPLES/hello.bas"
head -c 3000 /dev/urandom >"$SAMPLES/oldtool.bin"
# A 16 KiB sideways ROM image: language/service entries, title and copyright string.
dd if=/dev/zero of="$SAMPLES/dfs226.rom" bs=16384 count=1 status=none
put_bytes "$SAMPLES/dfs226.rom" 0 00 00 00 4c 00 80 82 0e 01
put_text "$SAMPLES/dfs226.rom" 9 "DFS"
put_bytes "$SAMPLES/dfs226.rom" 12 00
put_text "$SAMPLES/dfs226.rom" 13 "2.26"
put_bytes "$SAMPLES/dfs226.rom" 17 00
put_text "$SAMPLES/dfs226.rom" 18 "(C)1985 Acorn"

# A tape as the card stores it: one raw Acorn tape block ("*", name, header, 32 data bytes,
# check bytes), file HELLO loading at FFFF1900, last block.
{
    printf '*HELLO\x00\x00\x19\xff\xff\x23\x80\xff\xff\x00\x00\x20\x00\x80'
    printf '\x00\x00\x00\x00\x00\x00'
    printf '%-32s' 'HELLO FROM THE TAPE'
    printf '\x00\x00'
} >"$SAMPLES/hello.tape"

"$BRELK" create "$CARD" 8M
"$BRELK" format "$CARD"
"$BRELK" put "$CARD" "$SAMPLES/elite.ssd" --type 3 --subtype 1 --name GAMES.ELITE
"$BRELK" put "$CARD" "$SAMPLES/revs.ssd" --type 3 --subtype 1 --name GAMES.REVS
"$BRELK" put "$CARD" "$SAMPLES/wordwise.ssd" --type 3 --subtype 1 --name OFFICE.WORDWISE
"$BRELK" put "$CARD" "$SAMPLES/hello.bas" --type 2 --name TOOLS.HELLO
"$BRELK" put "$CARD" "$SAMPLES/hello.tape" --type 3 --subtype 3 --name TAPES.HELLO
"$BRELK" put "$CARD" "$SAMPLES/oldtool.bin" --type 2 --name OLDTOOL
"$BRELK" put "$CARD" "$SAMPLES/dfs226.rom" --type 1 --subtype 2 --name DFS-2.26
"$BRELK" rm "$CARD" OLDTOOL

# The tree is made wide enough for the root's text (the card's path and ": (Brelk)") with
# its icon and indentation; the details keep their own width beside it.
TREE_WIDTH=$(((${#CARD} + 12) * 7 + 60))
[ "$TREE_WIDTH" -ge 300 ] || TREE_WIDTH=300
WINDOW_WIDTH=$((TREE_WIDTH + 640))
SETTINGS="$DEMO/settings.ini"
cat >"$SETTINGS" <<EOF
[General]
MMCDrive="$CARD"
CheckForUpdates=0
ViewerMaxNodebreaks=1
PosWindowLeft=20
PosWindowTop=20
PosWindowWidth=$WINDOW_WIDTH
PosWindowHeight=700
PosSplitterLeft=$TREE_WIDTH
EOF
export BRELKEXPLORER_SETTINGS="$SETTINGS"
echo "Demo card: $CARD (settings: $SETTINGS)"

# The window opens with every group expanded and a disc selected, its catalogue shown.
ARGS=(--select GAMES.ELITE)
if [ -z "$SHOT" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$PROGRAM" "${ARGS[@]}"
fi

echo "No display: running under Xvfb and taking a screenshot."
if ! command -v import >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick
    else
        echo "ImageMagick's 'import' is missing: no screenshot (install imagemagick)." >&2
        exit 1
    fi
fi
SHOT="${SHOT:-$DEMO/screenshot.png}"
mkdir -p "$(dirname "$SHOT")"
# Without a window manager the window lies exactly where the settings put it.
WINDOW="${WINDOW_WIDTH}x700+20+20"
export PROGRAM SHOT WINDOW
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$PROGRAM" --select GAMES.ELITE &
    pid=$!
    sleep 6
    import -window root -crop "$WINDOW" +repage "$SHOT"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
'
echo "Screenshot: $SHOT"
