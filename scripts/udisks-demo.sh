#!/usr/bin/env bash
# Shows the window opening a card device as a normal user through UDisks2, without a real
# card and without touching the system's UDisks2: a loop device (root-only, like a card in a
# reader) stands in for the card, and a stand-in UDisks2 service (python3-dbusmock) on a
# private bus hands out its descriptor. Run as root (sudo); USER_NAME (default: the user who
# ran sudo, else "nobody") runs the window. Without a display the window runs offscreen and
# the script reports whether it holds the card device open.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
[ "$(id -u)" -eq 0 ] || { echo "Run as root (sudo): it sets up a loop device." >&2; exit 1; }
USER_NAME="${USER_NAME:-${SUDO_USER:-nobody}}"
DEMO="$ROOT/demo/udisks"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target brelk brelkexplorer
BRELK="$ROOT/build/cli/brelk"

rm -rf "$DEMO"
mkdir -p "$DEMO"
chmod 0777 "$DEMO" # the window, running as the user, keeps its settings here
"$BRELK" create "$DEMO/card.img" 8M
"$BRELK" format "$DEMO/card.img"
printf '10 PRINT "OPENED THROUGH UDISKS2"\r' >"$DEMO/hello.bas"
"$BRELK" put "$DEMO/card.img" "$DEMO/hello.bas" --type 2 --name TOOLS.HELLO
LOOP=$(losetup -f --show "$DEMO/card.img")
chmod 0600 "$LOOP"

cleanup() {
    [ -n "${MOCK_PID:-}" ] && kill "$MOCK_PID" 2>/dev/null || true
    [ -n "${BUS_PID:-}" ] && kill "$BUS_PID" 2>/dev/null || true
    losetup -d "$LOOP" 2>/dev/null || true
}
trap cleanup EXIT

# A private bus that both root (the stand-in service) and the user (the window) may join.
cat >"$DEMO/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$DEMO/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$DEMO/bus.conf" --nofork --print-address=1 >"$DEMO/bus-address" &
BUS_PID=$!
for _ in $(seq 50); do [ -s "$DEMO/bus-address" ] && break; sleep 0.1; done
ADDRESS=$(head -n 1 "$DEMO/bus-address")

DBUS_SYSTEM_BUS_ADDRESS="$ADDRESS" /usr/bin/python3 -m dbusmock \
    --template "$ROOT/tests/ui/udisks/udisks2_template.py" \
    -p "{\"devices\": {\"$LOOP\": {\"file\": \"$LOOP\"}}}" &
MOCK_PID=$!
sleep 2

cat >"$DEMO/settings.ini" <<SETTINGS
[General]
MMCDrive=$LOOP
CheckForUpdates=0
SETTINGS
chmod 0666 "$DEMO/settings.ini"
echo "Card: $LOOP (mode $(stat -c %a "$LOOP"), owner root); the window runs as $USER_NAME."
if runuser -u "$USER_NAME" -- test -w "$LOOP"; then
    echo "Note: $USER_NAME may write $LOOP directly; UDisks2 is not needed." >&2
fi

ENVIRONMENT=(BRELKEXPLORER_SETTINGS="$DEMO/settings.ini" BRELKEXPLORER_UDISKS_BUS="$ADDRESS")
if [ -n "${DISPLAY:-}" ]; then
    runuser -u "$USER_NAME" -- env "${ENVIRONMENT[@]}" DISPLAY="$DISPLAY" "$ROOT/build/app/brelkexplorer"
    exit 0
fi
# No display: the window runs offscreen, and the descriptors it holds show whether it
# opened the card.
runuser -u "$USER_NAME" -- env "${ENVIRONMENT[@]}" HOME="$DEMO" QT_QPA_PLATFORM=offscreen \
    "$ROOT/build/app/brelkexplorer" >"$DEMO/window.log" 2>&1 &
WINDOW_PID=$!
sleep 5
# runuser starts the window as its child.
if for pid in $WINDOW_PID $(pgrep -P "$WINDOW_PID"); do ls -l "/proc/$pid/fd" 2>/dev/null; done |
    grep -q -- "-> $LOOP\$"; then
    echo "The window (running as $USER_NAME) holds $LOOP open, granted by the stand-in UDisks2."
    status=0
else
    echo "The window did not open $LOOP; see $DEMO/window.log." >&2
    status=1
fi
kill "$WINDOW_PID" 2>/dev/null || true
wait "$WINDOW_PID" 2>/dev/null || true
exit "$status"
