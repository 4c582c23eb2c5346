#!/usr/bin/env bash
# Drives the built program as a user would, on a private X server: clicks
# Load Map and chooses a generated full-edition map in the open-file dialog,
# opens the protect dialog once and cancels it, then opens it again, types a
# tag message and continues, dismisses "Map Protected!", and checks the map's
# bytes against the bytes that the generator worked out on its own. Then quits
# through File > Quit (Ctrl+Q) and expects exit status 0.
#
# Usage: EndToEnd.sh <tagshroud> <make_e2e_map>
# Exits 0 when all went as expected, 1 on a failure (after printing what it
# saw), 77 when a tool it needs is not installed.
#
# Every wait is bounded; every process started here is ended by its own pid
# when the script leaves, whichever way it leaves.

# Most functions here run through wait_for or the exit trap, which the
# linter does not follow.
# shellcheck disable=SC2317

set -u -o pipefail

if (($# != 2)); then
  echo "usage: $0 <tagshroud> <make_e2e_map>" >&2
  exit 2
fi
program=$(realpath -e -- "$1") || exit 2
generator=$(realpath -e -- "$2") || exit 2
for tool in Xvfb xdotool timeout cmp; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

# No one wait takes longer than this, and the whole run no longer than
# RunSeconds, well inside the test's timeout.
readonly WaitSeconds=20 RunSeconds=90
readonly MapName="e2e_shroud"
readonly TagMessage="E2E shroud"
# The windows' content areas as their layouts give them: the main window's
# lies below its menu bar; the protect dialog has no menu bar.
readonly MainWidth=436 MainHeight=245 DialogWidth=356 DialogHeight=106
readonly MaxMenuBarHeight=60
# Buttons as left, top, width and height in their window's content area.
readonly LoadButton=(6 6 80 20)
readonly ProtButton=(6 219 107 20)
readonly CancelButton=(178 80 80 20)

work=$(mktemp -d "${TMPDIR:-/tmp}/tagshroud-e2e.XXXXXX") || exit 1
xvfbPid=""
appPid=""
mainWindow=""
step="starting"

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
readonly RunDeadline=$(($(now_ms) + RunSeconds * 1000))

is_running() {
  # A child that has ended stays a zombie until it is waited for, and
  # kill -0 still finds it; its state in /proc tells.
  local pid=$1 state
  [[ -n "$pid" && -r /proc/$pid/stat ]] || return 1
  state=$(sed -E 's/^[0-9]+ \(.*\) ([A-Za-z]).*/\1/' "/proc/$pid/stat" 2>/dev/null) || return 1
  [[ "$state" != Z && "$state" != X ]]
}

stop() {
  local pid=$1 deadline
  [[ -n "$pid" ]] || return 0
  if is_running "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    deadline=$(($(now_ms) + 5000))
    while is_running "$pid" && (($(now_ms) < deadline)); do sleep 0.05; done
    is_running "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

cleanup() {
  stop "$appPid"
  stop "$xvfbPid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

xdo() { timeout 10 xdotool "$@"; }

show_windows() {
  local id
  echo "--- visible windows of the program:"
  if [[ -n "$appPid" ]]; then
    for id in $(xdo search --onlyvisible --pid "$appPid" 2>/dev/null); do
      echo "  $id \"$(xdo getwindowname "$id" 2>/dev/null)\" $(xdo getwindowgeometry "$id" 2>/dev/null | tr -s '\n ' ' ')"
    done
  fi
  echo "--- input focus: $(xdo getwindowfocus 2>/dev/null)"
}

fail() {
  echo "FAIL at step \"$step\": $*"
  if [[ -n "${DISPLAY:-}" ]]; then
    show_windows
    if command -v xwd >/dev/null; then
      xwd -root -silent >"$PWD/EndToEnd-failure.xwd" 2>/dev/null &&
        echo "--- screenshot: $PWD/EndToEnd-failure.xwd"
    fi
  fi
  if is_running "$appPid"; then echo "--- the program is still running"; fi
  if [[ -n "$xvfbPid" ]] && ! is_running "$xvfbPid"; then echo "--- the X server has ended"; fi
  if [[ -n "${DISPLAY:-}" ]] && ! xdo getdisplaygeometry >/dev/null 2>&1; then
    echo "--- the X server on $DISPLAY takes no connection; its sockets:"
    ls -la /tmp/.X11-unix/ 2>&1
    grep -a "X11-unix/X${DISPLAY#:}\b" /proc/net/unix 2>/dev/null
  fi
  echo "--- program output:"; cat "$work/app.log" 2>/dev/null
  echo "--- X server output:"; tail -n 20 "$work/xvfb.log" 2>/dev/null
  exit 1
}

# Runs the command until it succeeds, for at most WaitSeconds.
wait_for() {
  local deadline=$(($(now_ms) + WaitSeconds * 1000))
  ((deadline < RunDeadline)) || deadline=$RunDeadline
  until "$@"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.05
  done
}

# The visible windows of the program other than the main window whose name is
# `name`; prints the first one's id. (xdotool's own name search reads only
# WM_NAME, which Qt leaves empty for an untitled window.)
program_window() {
  local name=$1 id
  for id in $(xdo search --onlyvisible --pid "$appPid" 2>/dev/null); do
    [[ "$id" == "$mainWindow" ]] && continue
    [[ "$(xdo getwindowname "$id" 2>/dev/null)" == "$name" ]] || continue
    echo "$id"
    return 0
  done
  return 1
}

# Waits for the window named `name` (see program_window) and sets `found` to
# its id.
found=""
find_window() {
  local name=$1
  has_window() { found=$(program_window "$name"); }
  wait_for has_window || fail "no window named \"$name\" appeared within ${WaitSeconds}s"
}

is_gone() { ! xdo search --onlyvisible --pid "$appPid" 2>/dev/null | grep -qx "$1"; }

title_is() { [[ "$(xdo getwindowname "$mainWindow" 2>/dev/null)" == "$1" ]]; }

focus() { xdo windowfocus --sync "$1" || fail "could not give window $1 the input focus"; }

# Sets WIDTH and HEIGHT to the window's size.
read_size() {
  local geometry
  geometry=$(xdo getwindowgeometry --shell "$1") || fail "cannot read the geometry of window $1"
  WIDTH=$(sed -nE 's/^WIDTH=([0-9]+)$/\1/p' <<<"$geometry")
  HEIGHT=$(sed -nE 's/^HEIGHT=([0-9]+)$/\1/p' <<<"$geometry")
  [[ -n "$WIDTH" && -n "$HEIGHT" ]] || fail "no size in the geometry of window $1: $geometry"
}

# Clicks the middle of a button given by its place in the window's content
# area, whose top lies `contentTop` pixels below the window's top; the window's
# size must be current in WIDTH and HEIGHT.
click_button() {
  local window=$1 contentTop=$2 left=$3 top=$4 width=$5 height=$6 what=$7
  local x=$((left + width / 2)) y=$((contentTop + top + height / 2))
  ((x < WIDTH && y < HEIGHT)) ||
    fail "the middle of the $what button, ($x,$y), lies outside its ${WIDTH}x${HEIGHT} window"
  xdo mousemove --window "$window" "$x" "$y" click 1 || fail "xdotool could not click $what"
}

# --- the map ------------------------------------------------------------------
step="generating the map"
map="$work/$MapName.map"
"$generator" "$map" "$work/expected.map" "$MapName" "$TagMessage" || fail "the map generator failed"
cp "$map" "$work/original.map" || fail "cannot copy the map"

# --- a private X server ---------------------------------------------------------
step="starting Xvfb"
# Without -noreset the server resets whenever its last client leaves, and a
# client that connects during the reset is turned away: every xdotool call
# before the program has connected would risk that.
exec {displayFd}>"$work/display"
Xvfb -displayfd "$displayFd" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfbPid=$!
exec {displayFd}>&-
display_known() { grep -qE '^[0-9]+$' "$work/display" 2>/dev/null || ! is_running "$xvfbPid"; }
wait_for display_known
is_running "$xvfbPid" || fail "Xvfb ended"
grep -qE '^[0-9]+$' "$work/display" || fail "Xvfb named no display within ${WaitSeconds}s"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
unset XAUTHORITY WAYLAND_DISPLAY
server_answers() { xdo getdisplaygeometry >/dev/null 2>&1 || ! is_running "$xvfbPid"; }
wait_for server_answers
is_running "$xvfbPid" || fail "Xvfb ended"
xdo getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb on $DISPLAY did not answer within ${WaitSeconds}s"

# --- the program ------------------------------------------------------------------
step="starting the program"
mkdir -m 700 "$work/runtime" "$work/config" "$work/cache"
(
  cd "$work" &&
    exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
      XDG_CACHE_HOME="$work/cache" "$program"
) >"$work/app.log" 2>&1 &
appPid=$!

main_window_shown() {
  mainWindow=$(program_window "Tagshroud")
  [[ -n "$mainWindow" ]] || ! is_running "$appPid"
}
wait_for main_window_shown
is_running "$appPid" || fail "the program ended at start"
[[ -n "$mainWindow" ]] || fail "the main window did not appear within ${WaitSeconds}s"

# --- Load Map: a real click on the button ------------------------------------------
step="clicking Load Map"
read_size "$mainWindow"
echo "main window $mainWindow on display $DISPLAY: ${WIDTH}x${HEIGHT}"
# The window opens at its layout's size, with the menu bar above the content.
menuBarHeight=$((HEIGHT - MainHeight))
((WIDTH == MainWidth && menuBarHeight > 0 && menuBarHeight <= MaxMenuBarHeight)) ||
  fail "the main window opened ${WIDTH}x${HEIGHT}, not $MainWidth wide and $MainHeight high below a menu bar"
click_button "$mainWindow" "$menuBarHeight" "${LoadButton[@]}" "Load Map"

step="choosing the map in the open-file dialog"
find_window Open
openDialog=$found
focus "$openDialog"
xdo type --delay 10 "$map" || fail "xdotool could not type the path"
xdo key Return || fail "xdotool could not press Return"
wait_for is_gone "$openDialog" || fail "the open-file dialog stayed open"

step="listing the map"
wait_for title_is "$MapName" || fail "the window title is \"$(xdo getwindowname "$mainWindow")\", not \"$MapName\""
cmp "$map" "$work/original.map" || fail "loading the map changed its bytes"

# --- Protect Map, first by Return (a listing makes Prot the default button) and
# --- Cancel: the map stays as it is ------------------------------------------------
step="pressing Protect Map with Return"
focus "$mainWindow"
xdo key Return || fail "xdotool could not press Return"
find_window Untitled
protectDialog=$found

step="cancelling the protect dialog"
focus "$protectDialog"
xdo type --delay 10 "cancelled text" || fail "xdotool could not type"
read_size "$protectDialog"
((WIDTH == DialogWidth && HEIGHT == DialogHeight)) ||
  fail "the protect dialog opened ${WIDTH}x${HEIGHT}, not ${DialogWidth}x${DialogHeight}"
click_button "$protectDialog" 0 "${CancelButton[@]}" "Cancel"
wait_for is_gone "$protectDialog" || fail "Cancel left the protect dialog open"
cmp "$map" "$work/original.map" || fail "Cancel changed the map's bytes"

# --- then by a click, and Continue (Return: the dialog's default button) ------------
step="clicking Protect Map"
read_size "$mainWindow"
click_button "$mainWindow" "$menuBarHeight" "${ProtButton[@]}" "Protect Map"
find_window Untitled
protectDialog=$found

step="typing the tag message"
focus "$protectDialog"
# The field starts empty again, so the text typed before Cancel is gone.
xdo type --delay 10 "$TagMessage" || fail "xdotool could not type the tag message"
xdo key Return || fail "xdotool could not press Return"

step="dismissing the report"
find_window Tagshroud
report=$found
focus "$report"
xdo key Return || fail "xdotool could not press Return"
wait_for is_gone "$report" || fail "the \"Map Protected!\" message stayed open"
wait_for is_gone "$protectDialog" || fail "the protect dialog stayed open after the protection"

step="checking the protected map"
# cmp -l lists each differing byte as its number from 1 and the two values in
# octal; shown as file offsets and hex.
differences() {
  local number expected found
  head -n 40 "$work/differences" | while read -r number expected found; do
    printf '  at 0x%X: expected 0x%02X, found 0x%02X\n' $((number - 1)) $((8#$expected)) $((8#$found))
  done
}
cmp -l "$work/expected.map" "$map" >"$work/differences" 2>&1
case $? in
  0) ;;
  1) fail "the map's bytes differ from the expected ones ($(wc -l <"$work/differences") bytes):
$(differences)" ;;
  *) fail "cannot compare the map with the expected bytes: $(cat "$work/differences")" ;;
esac
wait_for title_is "$MapName" || fail "after the protection the window title is \"$(xdo getwindowname "$mainWindow")\""

# --- Quit ---------------------------------------------------------------------------
step="quitting with Ctrl+Q"
focus "$mainWindow"
xdo key ctrl+q || fail "xdotool could not press Ctrl+Q"
has_ended() { ! is_running "$appPid"; }
wait_for has_ended || fail "the program did not end within ${WaitSeconds}s of Ctrl+Q"
wait "$appPid"
status=$?
appPid=""
((status == 0)) || fail "the program ended with status $status"

echo "PASS: loaded, protected and quit; the map holds the expected bytes"
exit 0
