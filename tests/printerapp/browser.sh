#!/usr/bin/env bash
# The web interface in a real browser (headless chromium), inside
# tests/net/lab.sh:  browser.sh BIN NETPRINTER OUT
# The status page and the printing defaults page load (screenshots in OUT);
# a halftone method chosen on the defaults page is the one the next job
# without a halftone of its own is printed with.
set -uo pipefail
BIN=$1 NETPRINTER=$2 OUT=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/app_lab.sh"
app_lab_init
start_printer 10.77.1.2
start_app || exit 1
add_printer r80 brindol_80 socket://10.77.1.2:9100 || exit 1
chromium=$(command -v chromium || command -v chromium-browser) || { echo "chromium is not installed"; exit 1; }
"$chromium" --headless=new --no-sandbox --disable-gpu --no-first-run --remote-debugging-port=9222 \
  --user-data-dir="$OUT/chromium" --window-size=1100,1000 about:blank >"$OUT/chromium.log" 2>&1 &
PIDS+=($!)
web=http://127.0.0.1:8631
failures=0
python3 "$here/browser_driver.py" 9222 screenshot "$web/" "$OUT/system-status.png" || failures=$((failures + 1))
python3 "$here/browser_driver.py" 9222 screenshot "$web/r80/" "$OUT/printer-status.png" || failures=$((failures + 1))
python3 "$here/browser_driver.py" 9222 set "$web/r80/printing" halftone-method stevenson-arce \
  "$OUT/printing-defaults.png" || failures=$((failures + 1))

# The next job names no halftone: the default chosen in the browser applies
# (and the default partial cut).
"$BIN/receipt_sample" --compact "$OUT/page.pgm" && "$BIN/make_raster" "$OUT/page.pgm" "$OUT/page.pwg"
"$APP" submit -d r80 "$OUT/page.pwg" >>"$OUT/cli.out" 2>&1
"$BIN/bandhost" --band-height 240 --halftone HT_StevensonArce "$OUT/page.pgm" -o "$OUT/expected.bin"
printf '\x1d\x56\x42\x00' >>"$OUT/expected.bin"
if wait_jobs 1 && cmp "$OUT/expected.bin" "$(last_job)"; then
  echo "ok:   the job used the halftone method set in the browser"
else
  echo "FAIL: the job did not use the halftone method set in the browser"
  failures=$((failures + 1))
fi
app_lab_stop
ls "$OUT"/*.png
((failures == 0))
