#!/usr/bin/env bash
# Compares a screenshot with its committed reference:
#   shot_compare.sh REFERENCE ACTUAL DIFF [FUZZ_PERCENT] [MAX_PIXELS]
# A pixel differs when a channel is further than FUZZ_PERCENT (default 8) of
# the full range from the reference's; the shot matches while no more than
# MAX_PIXELS (default 0.2% of the picture, at least 40) differ. On a mismatch
# DIFF gets the reference with the differing pixels marked in red, and the
# exit status is 1; on a match DIFF is removed.
#
# Re-blessing after an intended change: with KAVRI_BLESS_SHOTS=1 the actual
# shot becomes the reference (written, never compared), e.g.
#   KAVRI_BLESS_SHOTS=1 KAVRI_SKIP_OTHER_ARCH=1 KAVRI_FUZZ_SECONDS=0 bash scripts/test.sh -R display_scale
set -u
reference=$1 actual=$2 diff=$3 fuzz=${4:-8} max=${5:-}

if [ "${KAVRI_BLESS_SHOTS:-0}" = 1 ]; then
  mkdir -p "$(dirname "$reference")"
  # Stripped of dates and names, so a re-blessed picture changes only with its pixels.
  convert "$actual" -strip "png:$reference" || exit 2
  echo "blessed $reference"
  exit 0
fi
[ -f "$reference" ] || { echo "no reference $reference (bless it: KAVRI_BLESS_SHOTS=1)"; exit 1; }
[ -f "$actual" ] || { echo "no screenshot $actual"; exit 1; }

want=$(identify -format '%wx%h' "$reference") have=$(identify -format '%wx%h' "$actual")
if [ "$want" != "$have" ]; then
  echo "$actual is $have, its reference $reference is $want"
  exit 1
fi
if [ -z "$max" ]; then
  max=$(( ${want%x*} * ${want#*x} / 500 ))
  [ "$max" -ge 40 ] || max=40
fi
count=$(compare -metric AE -fuzz "$fuzz%" -highlight-color red -lowlight-color none -compose src \
          "$reference" "$actual" "png:$diff" 2>&1 >/dev/null | cut -d' ' -f1)
case "$count" in
  '' | *[!0-9.e+]*) echo "could not compare $actual with $reference: $count"; exit 1 ;;
esac
count=${count%.*}
if [ "$count" -gt "$max" ]; then
  echo "$actual: $count pixels differ from $reference (at most $max allowed); marked in $diff"
  exit 1
fi
rm -f "$diff"
exit 0
