#!/usr/bin/env bash
# The whole program on an X server: `quillop FILE` shows FILE's preview centred in the display
# area, and Ctrl+E hands an existing "Image attached.jpg" to the xdg-email found first on PATH
# (a stand-in here that records its arguments and takes a copy of the attachment).
# Usage: quillop_window_test.sh QUILLOP PICTURE [SCREENSHOT] — run it through run_under_xvfb;
# SCREENSHOT, when given, receives the window's picture. Exits 77 (skipped) without the tools.
set -euo pipefail
quillop=$1
picture=$2
screenshot=${3:-}
python=/usr/bin/python3
for tool in xdotool import "$python"; do
  if ! command -v "$tool" >/dev/null; then
    echo "quillop_window_test: no $tool, skipped" >&2
    exit 77
  fi
done

work=$(mktemp -d)
pid=
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "quillop_window_test: $*" >&2
  exit 1
}

# A later run (settings exist), so the scanner dialog does not come first.
export XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Brindlework" "$work/bin"
printf 'string JPEGComp = 60\n' >"$XDG_CONFIG_HOME/Brindlework/Quillop.conf"
cat >"$work/bin/xdg-email" <<STANDIN
#!/bin/sh
printf '%s\n' "\$@" >"$work/mail-args"
if [ "\$1" = --attach ] && [ -f "\$2" ]; then cp "\$2" "$work/attached-then.jpg"; fi
STANDIN
chmod +x "$work/bin/xdg-email"
export PATH=$work/bin:$PATH

"$quillop" "$picture" &
pid=$!
wid=
for _ in $(seq 100); do
  wid=$(xdotool search --onlyvisible --name '^Quillop$' 2>/dev/null | head -n 1 || true)
  [[ -n "$wid" ]] && break
  kill -0 "$pid" 2>/dev/null || fail "quillop ended before its window showed"
  sleep 0.1
done
[[ -n "$wid" ]] || fail "no Quillop window"
sleep 1.5  # the splash comes and goes within a second of the start

import -window "$wid" "$work/window.png"
[[ -z "$screenshot" ]] || cp "$work/window.png" "$screenshot"
# The display area is the 540 x 540 square at (243, 11) of the window; the picture is fitted to
# its longer side and centred, the rest is the window's colour.
"$python" - "$work/window.png" "$picture" <<'CHECK' || fail "the picture is not centred in the display area"
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
w, h = Image.open(sys.argv[2]).size
fw, fh = (540, max(1, 540 * h // w)) if w > h else (max(1, 540 * w // h), 540)
left, top = 243 + (540 - fw) // 2, 11 + (540 - fh) // 2
def face(x, y):
    return all(abs(a - b) <= 2 for a, b in zip(shot.getpixel((x, y)), (214, 211, 202)))
def row_is_face(y, x0, x1):
    return all(face(x, y) for x in range(x0, x1))
def col_is_face(x, y0, y1):
    return all(face(x, y) for y in range(y0, y1))
ok = True
if top > 11: ok &= row_is_face(top - 1, 243, 783) and row_is_face(11, 243, 783)
if top + fh < 551: ok &= row_is_face(top + fh, 243, 783) and row_is_face(550, 243, 783)
if left > 243: ok &= col_is_face(left - 1, 11, 551) and col_is_face(243, 11, 551)
if left + fw < 783: ok &= col_is_face(left + fw, 11, 551) and col_is_face(782, 11, 551)
inside = sum(not face(x, y) for x in range(left, left + fw, 7) for y in range(top, top + fh, 7))
total = len(range(left, left + fw, 7)) * len(range(top, top + fh, 7))
ok &= inside > total * 0.9
print(f"picture {fw} x {fh} at ({left - 243}, {top - 11}) of the display area: {'centred' if ok else 'NOT centred'}")
sys.exit(0 if ok else 1)
CHECK

xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
xdotool key ctrl+e
for _ in $(seq 100); do
  [[ -s "$work/mail-args" ]] && break
  sleep 0.1
done
[[ -s "$work/mail-args" ]] || fail "Ctrl+E ran no xdg-email"
mapfile -t args <"$work/mail-args"
[[ ${#args[@]} -eq 2 && "${args[0]}" == --attach ]] || fail "xdg-email got: ${args[*]}"
[[ "$(basename "${args[1]}")" == "Image attached.jpg" ]] || fail "the attachment is ${args[1]}"
[[ -f "$work/attached-then.jpg" ]] || fail "the attachment did not exist at the hand-off"
cmp -s "$work/attached-then.jpg" "${args[1]}" || fail "the attachment changed after the hand-off"
[[ "$(head -c 2 "${args[1]}" | od -An -tx1 | tr -d ' ')" == ffd8 ]] || fail "the attachment is no JPEG"
echo "quillop_window_test: picture centred; xdg-email got --attach ${args[1]}"
