#!/usr/bin/env bash
# The command line as a user runs it: the files a conversion leaves, the JPEG pages as independent readers
# (libjpeg's djpeg, ImageMagick) see them, and the exit status of usage errors and failures.
set -uo pipefail
leafcast=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@" > /dev/null 2>&1; then passed=$((passed + 1)); else echo "FAIL: $what"; failed=$((failed + 1)); fi
}

printf 'Chapter 1.1 The road\r\nIt was a long road, and she walked it.\r\n\r\n\r\nChapter 2.1 Home\r\nHome at last.\r\n' > "$work/book.txt"
"$leafcast" convert "$work/book.txt" --set txtOutFileName=novel > "$work/out.txt"
check "a conversion exits 0" test $? -eq 0
out="$work/novel"
check "the first page lies in the output folder" test -f "$out/novel_00001 ().jpg"
check "chapter 1 has its folder" test -f "$out/CH_01.1_THE_ROAD/novel_00002 (Ch_01.1).jpg"
check "chapter 2 has its folder" test -f "$out/CH_02.1_HOME/novel_00003 (Ch_02.1).jpg"
check "TempBMP.bmp is a 24-bit page" test "$(stat -c %s "$out/TempBMP.bmp")" -eq 230454
check "the converter's bitmap is 1-bit" test "$(stat -c %s "$out/novelBW.bmp")" -eq 9662
check "the closing line names the folder" grep -q "3 pages written to $out/" "$work/out.txt"
while IFS= read -r -d '' jpeg; do
  check "djpeg reads $(basename "$jpeg") as baseline JFIF, 3 components, 320 x 240" \
    bash -c 'djpeg -verbose "$1" 2>&1 >/dev/null | grep -q "JFIF APP0" &&
             djpeg -verbose "$1" 2>&1 >/dev/null | grep -q "Start Of Frame 0xc0: width=320, height=240, components=3"' _ "$jpeg"
  check "ImageMagick reads $(basename "$jpeg") at 4:2:0" \
    bash -c 'test "$(identify -format "%w %h %[jpeg:sampling-factor]" "$1")" = "320 240 2x2,1x1,1x1"' _ "$jpeg"
done < <(find "$out" -name '*.jpg' -print0)

"$leafcast" convert "$work/book.txt" --set optScrRes=2 --set chkRotate=1 --set chkDiffFold=0 --out "$work/turned" > /dev/null
check "--out writes into the folder given" test -f "$work/turned/book_00001 ().jpg"
check "a turned 208 x 208 page keeps its size" \
  bash -c 'test "$(identify -format "%w %h" "$1/turned/book_00001 ().jpg")" = "208 208"' _ "$work"

"$leafcast" convert "$work/book.txt" --set chkNoSuchBox=1 > /dev/null 2> "$work/err.txt"
check "an unknown setting is a usage error (2)" test $? -eq 2
check "the usage error names the setting" grep -q chkNoSuchBox "$work/err.txt"
"$leafcast" convert "$work/book.txt" --set txtFontSize=big > /dev/null 2>&1
check "a value the control cannot take is a usage error (2)" test $? -eq 2
"$leafcast" convert "$work/missing.txt" > /dev/null 2> "$work/err.txt"
check "a missing book is an error (1)" test $? -eq 1
check "the error names the book" grep -q missing.txt "$work/err.txt"
check "a missing book writes nothing" test ! -e "$work/missing"
"$leafcast" --version > /dev/null
check "--version answers" test $? -eq 0

"$leafcast" convert "$samples/novel.txt" --out "$work/sample" > /dev/null
check "the sample book converts" test "$(find "$work/sample" -name '*.jpg' | wc -l)" -gt 30

home="$work/home"
"$leafcast" profile save story --home "$home" --set chkSmartLF=0 --set 'txtChaptMask=Part "#"*' > /dev/null
check "profile save writes NAME.cfg into the profile folder" test -f "$home/Profiles/story.cfg"
"$leafcast" profile show story --home "$home" > "$work/show.txt"
check "profile show prints the settings" grep -q 'txtChaptMask *"Part "#"\*"' "$work/show.txt"
check "profile show prints the phrases" grep -q '5. "\\f"' "$work/show.txt"
check "profile show leaves out a cleared box" bash -c '! grep -q chkSmartLF "$1"' _ "$work/show.txt"
"$leafcast" convert "$work/book.txt" --home "$home" --profile story --out "$work/profiled" > /dev/null
check "convert --profile names the pages after the profile" test -f "$work/profiled/story_00001 ().jpg"
"$leafcast" convert "$work/book.txt" --home "$home" --profile nothing.cfg > /dev/null 2>&1
check "a missing profile is an error (1)" test $? -eq 1

check "mask: a match exits 0" test "$("$leafcast" mask 'Chapter*[0-9 ]#.[0-9 ]*' 'Chapter 1.2 The road')" = "OK! Match"
"$leafcast" mask 'Chapter #' 'Chapter one' > "$work/mask.txt"
check "mask: no match exits 1" test $? -eq 1
check "mask: no match says so" grep -qx "No Match" "$work/mask.txt"
"$leafcast" mask '' 'text' > "$work/mask.txt"
check "mask: an empty mask exits 2" test $? -eq 2
check "mask: an empty mask says so" grep -qx "ERROR: Empty Mask Text string" "$work/mask.txt"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
