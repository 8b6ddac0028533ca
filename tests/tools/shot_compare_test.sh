#!/usr/bin/env bash
# The screenshot comparer: a picture within the tolerance matches, one with
# more differing pixels than allowed or another size fails with a diff image,
# a missing reference fails, and blessing writes the reference.
set -u
compare_shot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

convert -size 100x50 xc:'rgb(240,240,240)' -fill 'rgb(20,20,20)' -draw 'rectangle 10,10 40,30' ref.png
convert ref.png -fill 'rgb(250,245,240)' -draw 'point 90,40' -draw 'point 91,40' slight.png    # within the fuzz
convert ref.png -fill 'rgb(20,20,20)' -draw 'point 90,40' -draw 'point 91,40' few.png        # 2 pixels off
convert ref.png -fill 'rgb(20,20,20)' -draw 'rectangle 60,10 80,30' many.png                 # 441 pixels off
convert -size 101x50 xc:'rgb(240,240,240)' wider.png

# reference actual fuzz max -> status
cases=(
  "ref.png ref.png 8 0 0"
  "ref.png slight.png 8 0 0"
  "ref.png few.png 8 2 0"
  "ref.png few.png 8 1 1"
  "ref.png many.png 8 - 1"
  "ref.png wider.png 8 - 1"
  "missing.png ref.png 8 - 1"
)
for c in "${cases[@]}"; do
  read -r reference actual fuzz max want <<<"$c"
  [ "$max" = - ] && max=""
  rm -f diff.png
  bash "$compare_shot" "$reference" "$actual" diff.png "$fuzz" $max >out.txt 2>&1
  status=$?
  [ "$status" = "$want" ] || fail "$c: status $status ($(cat out.txt))"
  if [ "$want" = 0 ]; then
    [ ! -e diff.png ] || fail "$c: a diff image was left after a match"
  elif [ "$actual" = many.png ]; then
    [ -s diff.png ] || fail "$c: no diff image"
    # The differing block is marked in red in the diff, the rest is not.
    red=$(convert diff.png -format '%[fx:int(255*p{70,20}.r)] %[fx:int(255*p{70,20}.g)]' info:)
    [ "$red" = "255 0" ] || fail "$c: the differing pixels are not marked ($red)"
  fi
done

KAVRI_BLESS_SHOTS=1 bash "$compare_shot" refs/new.png many.png diff.png >/dev/null || fail "blessing failed"
bash "$compare_shot" refs/new.png many.png diff.png >/dev/null || fail "a blessed reference does not match its shot"
echo "ok"
