#!/usr/bin/env bash
# The sample receipt through the printer application, run inside the network
# lab of tests/net/lab.sh (never on the host's interfaces):
#   lab.sh bash printerapp/demo.sh OUT BIN NETPRINTER
# netprinter plays the printer at socket://10.77.1.2:9100; the application
# gets the page as PWG raster over IPP (ipptool), as a driverless client
# sends it. The same page goes through the plug-in with bandhost; both
# streams are drawn with rasterview and must be identical. The application
# is asked for the whole page, as the plug-in feeds it (by default it would
# not feed the blank paper above and below the receipt).
set -uo pipefail
out=$1 BIN=$2 NETPRINTER=$3
here=$(cd "$(dirname "$0")" && pwd)
OUT=$out/printerapp-run
source "$here/../tests/printerapp/app_lab.sh"
app_lab_init
start_printer 10.77.1.2
start_app || exit 1
add_printer receipt brindol_80 socket://10.77.1.2:9100 || exit 1

"$BIN/receipt_sample" "$OUT/receipt.pgm"
"$BIN/make_raster" "$OUT/receipt.pgm" "$OUT/receipt.pwg"
ipp_print receipt "$OUT/receipt.pwg" image/pwg-raster halftone=floyd-steinberg cut=none length=page ||
  { cat "$OUT/ipptool.out"; exit 1; }
wait_jobs 1 || { echo "the printer received nothing" >&2; exit 1; }
cp "$(last_job)" "$out/receipt-printerapp.bin"
"$BIN/bandhost" --band-height 240 --halftone HT_FloydSteinberg "$OUT/receipt.pgm" -o "$out/receipt-plugin.bin"
"$BIN/rasterview" "$out/receipt-printerapp.bin" -o "$out/receipt-printerapp.png"
"$BIN/rasterview" "$out/receipt-plugin.bin" -o "$out/receipt-plugin.png"
app_lab_stop
echo "  printer application: $(stat -c %s "$out/receipt-printerapp.bin") bytes -> receipt-printerapp.png"
echo "  plug-in (bandhost):  $(stat -c %s "$out/receipt-plugin.bin") bytes -> receipt-plugin.png"
if cmp -s "$out/receipt-printerapp.bin" "$out/receipt-plugin.bin" &&
  cmp -s "$out/receipt-printerapp.png" "$out/receipt-plugin.png"; then
  echo "  identical: the same stream and the same picture by both routes"
else
  echo "  DIFFERENT: the two routes disagree" >&2
  exit 1
fi
