#!/usr/bin/env bash
# The command line as a user runs it: the files a conversion leaves, the JPEG pages as independent readers
# (libjpeg's djpeg, ImageMagick) see them, and the exit status of usage errors and failures; and the desktop
# program's help.   check-cli.sh LEAFCAST SAMPLES-FOLDER LEAFCAST-GUI
set -uo pipefail
leafcast=$1
samples=$2
gui=$3
source "$(dirname "$0")/../../scripts/check-support.sh"

printf 'Chapter 1.1 The road\r\nIt was a long road, and she walked it.\r\n\r\n\r\nChapter 2.1 Home\r\nHome at last.\r\n' > "$work/book.txt"
"$leafcast" convert "$work/book.txt" --set txtOutFileName=novel > "$work/out.txt"
check "a conversion exits 0" test $? -eq 0
out="$work/novel"
check "the first page lies in the output folder" test -f "$out/novel_00001 ().jpg"
check "chapter 1 has its folder" test -f "$out/CH_01.1_THE_ROAD/novel_00002 (Ch 01.1).jpg"
check "chapter 2 has its folder" test -f "$out/CH_02.1_HOME/novel_00003 (Ch 02.1).jpg"
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

# One archive of PNG pages, as Info-ZIP, libxml2's xmllint and ImageMagick read it.
"$leafcast" convert "$work/book.txt" --set txtOutFileName=novel --set chkCompress=1 --set lstPageFormat=PNG \
  --out "$work/archive" > "$work/out.txt"
cbz="$work/archive/novel.cbz"
check "the closing line names the archive" grep -q "3 pages written to $cbz" "$work/out.txt"
check "unzip finds every entry of the archive sound" unzip -tq "$cbz"
check "the archive holds the pages in order, flat, then ComicInfo.xml" \
  bash -c 'test "$(zipinfo -1 "$1" | tr "\n" "|")" = "novel_00001 ().png|novel_00002 (Ch 01.1).png|novel_00003 (Ch 02.1).png|ComicInfo.xml|"' _ "$cbz"
check "ComicInfo.xml is well-formed and bookmarks chapter 2" \
  bash -c 'unzip -p "$1" ComicInfo.xml | xmllint --xpath "string(//Page[@Image=2]/@Bookmark)" - | grep -qx "CH 02.1 HOME"' _ "$cbz"
check "ImageMagick reads a black-and-white page as a 1-bit greyscale PNG" \
  bash -c 'unzip -p "$1" "novel_00001 ().png" > "$1.png" &&
           test "$(identify -format "%w %h %[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig]" "$1.png")" = "320 240 1 0"' _ "$cbz"

"$leafcast" convert "$work/book.txt" --set optScrRes=2 --set chkRotate=1 --set chkDiffFold=0 --out "$work/turned" > /dev/null
check "--out writes into the folder given" test -f "$work/turned/book_00001 ().jpg"
check "a turned 208 x 208 page keeps its size" \
  bash -c 'test "$(identify -format "%w %h" "$1/turned/book_00001 ().jpg")" = "208 208"' _ "$work"

# A custom screen: --size WxH stands for Custom first, then its sides.
"$leafcast" convert "$work/book.txt" --size 480x272 --set chkDiffFold=0 --out "$work/custom" > /dev/null
check "a custom 480 x 272 page has that size" \
  bash -c 'test "$(identify -format "%w %h" "$1/custom/book_00002 (Ch 01.1).jpg")" = "480 272"' _ "$work"
"$leafcast" convert "$work/book.txt" --set optScrRes=3 --set txtCustWidth=4097 --set Text1=272 --out "$work/huge" 2> "$work/err.txt"
check "a custom side out of range is a usage error (2)" test $? -eq 2
check "the error names the range" grep -q "from 16 to 4096" "$work/err.txt"
check "a refused custom size makes no folder" test ! -e "$work/huge"

"$leafcast" convert "$work/book.txt" --set chkNoSuchBox=1 > /dev/null 2> "$work/err.txt"
check "an unknown setting is a usage error (2)" test $? -eq 2
check "the usage error names the setting" grep -q chkNoSuchBox "$work/err.txt"
"$leafcast" convert "$work/book.txt" --set txtFontSize=big > /dev/null 2>&1
check "a value the control cannot take is a usage error (2)" test $? -eq 2
"$leafcast" convert "$work/missing.txt" > /dev/null 2> "$work/err.txt"
check "a missing book is an error (1)" test $? -eq 1
check "the error names the book" grep -q missing.txt "$work/err.txt"
check "a missing book writes nothing" test ! -e "$work/missing"
printf 'not\0text' > "$work/binary.txt"
"$leafcast" convert "$work/binary.txt" -o "$work/refused/deeper" > /dev/null 2>&1
check "a refused book leaves no folder behind, not even -o's" test $? -eq 1 -a ! -e "$work/refused"
echo "keep me" > "$work/notes.txt"
"$leafcast" convert "$work/book.txt" -o "$work/notes.txt" > /dev/null 2> "$work/err.txt"
check "-o naming a file is a usage error (2)" test $? -eq 2
check "-o naming a file says so" grep -qxF "leafcast: -o $work/notes.txt is a file: the pages go into a folder, which -o names" "$work/err.txt"
check "-o naming a file leaves it as it was" test "$(cat "$work/notes.txt")" = "keep me"
"$leafcast" convert "$work/$(printf 'no\033[31mbook.txt')" > /dev/null 2> "$work/err.txt"
check "a control character in a message is shown escaped" grep -qF 'no\x1b[31mbook.txt' "$work/err.txt"

# Every trick at once: a root that climbs out and holds an escape; headings with a slash, a climb, a NUL (a
# UTF-16 book: NUL bytes are not text otherwise), a 300-digit number; a word wider than the page. The pages stay
# in --out, with clean names.
printf '"tricks.cfg"\r\n"ControlName","Value","Enabled","Index"\r\n"txtOutFileName","../\033evil",#TRUE#,-1\r\n"chkChapter",1,#TRUE#,-1\r\n"chkDiffFold",1,#TRUE#,-1\r\n"chkUseChapInFN",1,#TRUE#,-1\r\n' > "$work/tricks.cfg"
{ printf 'Chapter 1.2/../../../x\0y z\r\nChapter '; printf '7%.0s' $(seq 300); printf '.1 t\r\n'
  printf 'w%.0s' $(seq 3000); printf '\r\n'; } | iconv -f UTF-8 -t UTF-16 > "$work/tricks.txt"
mkdir -p "$work/tricks/CH_1.2_.._.._.._X"
touch "$work/marker"
"$leafcast" convert "$work/tricks.txt" --profile "$work/tricks.cfg" --set "txtOutFileName=../$(printf '\033')evil" \
  --out "$work/tricks" > /dev/null 2>&1
check "the book of tricks converts" test $? -eq 0
check "its chapter page lands in the output folder with a clean name" \
  test -f "$work/tricks/CH_1.2_.._.._.._X_Y_Z/_.__evil_00002 (Ch 1.2_.._.._.._x_y).jpg"
check "nothing is written outside the output folder" test -z "$(find "$work" -newer "$work/marker" -type f -not -path "$work/tricks/*")"
check "no name holds a control character" test -z "$(find "$work/tricks" -name '*[[:cntrl:]]*')"
check "no name is longer than 255 bytes" test -z "$(find "$work/tricks" -printf '%f\n' | LC_ALL=C awk 'length > 255')"
check "the long word goes on over several pages" test "$(find "$work/tricks" -name '*.jpg' | wc -l)" -ge 6

# A file-size limit is reported, and leaves neither a short working bitmap nor a temporary file.
(ulimit -f 100; exec "$leafcast" convert "$work/book.txt" --out "$work/limited") > /dev/null 2> "$work/err.txt"
check "a file-size limit is an error (1), not a silent death" test $? -eq 1
check "the error says the file is too large" grep -q "too large" "$work/err.txt"
check "no short TempBMP.bmp stays" test ! -e "$work/limited/TempBMP.bmp"
check "no temporary file stays after a failed write" test -z "$(find "$work/limited" -name '.*')"

# SIGINT and SIGTERM end a long run after the page in hand, with a summary and the shell's status.
for i in $(seq 20000); do echo "Line $i of a long book, with a few words in it."; done > "$work/long.txt"
for signal in INT TERM; do
  out="$work/signal-$signal"
  "$leafcast" convert "$work/long.txt" --out "$out" > "$work/summary.txt" 2>&1 &
  pid=$!
  for _ in $(seq 200); do [ -n "$(find "$out" -name '*.jpg' 2> /dev/null)" ] && break; sleep 0.05; done
  kill -s "$signal" $pid
  wait $pid
  status=$?
  check "SIG$signal ends the run with status $((128 + $(kill -l "$signal")))" test $status -eq $((128 + $(kill -l "$signal")))
  check "the summary says SIG$signal interrupted the run" grep -q "^Interrupted (SIG$signal): " "$work/summary.txt"
  check "SIG$signal leaves no temporary file" test -z "$(find "$out" -name '.*')"
  check "the pages counted after SIG$signal are there" \
    test "$(find "$out" -name '*.jpg' | wc -l)" = "$(sed -n 's/^Interrupted[^:]*: \([0-9]*\) page.*/\1/p' "$work/summary.txt")"
done

"$leafcast" --version > /dev/null
check "--version answers" test $? -eq 0
check "-V is --version" test "$("$leafcast" -V)" = "$("$leafcast" --version)"

# The usage: alone it is a usage error (2), printed where a reader looks for it; help and help COMMAND.
"$leafcast" > "$work/out.txt" 2> "$work/err.txt"
check "no arguments: exit 2" test $? -eq 2
check "no arguments: the usage on standard output" bash -c 'grep -q "^Usage: leafcast " "$1" && ! test -s "$2"' _ "$work/out.txt" "$work/err.txt"
for topic in "" convert "profile save" mask; do
  check "help $topic: that usage, exit 0" bash -c '"$1" help $2 | grep -q "^Usage: leafcast ${2:+$2 }\["' _ "$leafcast" "$topic"
done
check "help convert lists the options" bash -c '"$1" help convert | grep -q -- "--page-text FILE"' _ "$leafcast"
"$leafcast" help profile xyz 2> "$work/err.txt"
check "help of no such command: exit 2" test $? -eq 2
check "help of no such command names it" grep -q "^leafcast: 'xyz' is not a command of profile; the commands of profile are save or show" "$work/err.txt"
"$leafcast" help convert xyz 2> "$work/err.txt"
check "help of a subcommand convert lacks names it" grep -q "^leafcast: 'xyz' is not a command of convert, which has none" "$work/err.txt"

"$leafcast" convert "$samples/novel.txt" --out "$work/sample" > /dev/null
check "the sample book converts" test "$(find "$work/sample" -name '*.jpg' | wc -l)" -gt 30

"$leafcast" convert "$work/book.txt" --dry-run --page-text "$work/pages.txt" --out "$work/dry" > "$work/out.txt"
check "a dry run exits 0" test $? -eq 0
check "a dry run writes no page" test ! -e "$work/dry"
check "a dry run counts the pages" grep -q "^3 pages would be written to $work/dry/" "$work/out.txt"
check "a dry run lists the headings" grep -qx "  page 3: CH 02.1 HOME" "$work/out.txt"
check "the page text starts with the first header" test "$(head -1 "$work/pages.txt")" = "Ch 00.0 Introduction - File# 1"
check "the page text holds three pages" test "$(grep -c $'^\f$' "$work/pages.txt")" -eq 2
check "the page text holds the rows" grep -qx "It was a long road, and she walked it." "$work/pages.txt"
"$leafcast" convert "$work/book.txt" --dry-run --page-text - --out "$work/dry" > "$work/stdout.txt" 2> "$work/err.txt"
check "--page-text - writes the page text, and nothing else, to standard output" cmp "$work/pages.txt" "$work/stdout.txt"
check "--page-text -: the summary goes to standard error" grep -q "^3 pages would be written to" "$work/err.txt"
"$leafcast" convert "$work/book.txt" --page-text "$work/no/such/pages.txt" > /dev/null 2>&1
check "a page text without its folder is an error (1)" test $? -eq 1

printf 'Licence\r\n*** START OF THE BOOK ***\r\nCHAPTER I. The Road\r\n\r\nShe walked.\r\n*** END OF THE BOOK ***\r\nLicence\r\n' > "$work/novel.txt"
"$leafcast" convert "$work/novel.txt" --home "$work/fresh" --profile ebook --out "$work/ebook" > /dev/null
check "the ebook profile comes with the program" test -f "$work/fresh/Profiles/ebook.cfg"
check "with it, the book names the pages, all in one folder" test -f "$work/ebook/novel_00002 (Ch I.).jpg"
check "with it, the licence makes no page" test "$(find "$work/ebook" -name '*.jpg' | wc -l)" -eq 2

home="$work/home"
"$leafcast" profile save story --home "$home" --set chkSmartLF=0 --set 'txtChaptMask=Part "#"*' > /dev/null
check "profile save writes NAME.cfg into the profile folder" test -f "$home/Profiles/story.cfg"
"$leafcast" profile show story --home "$home" > "$work/show.txt"
check "profile show prints the settings" grep -q 'txtChaptMask *"Part "#"\*"' "$work/show.txt"
check "profile show prints the phrases" grep -q '5. "\\f"' "$work/show.txt"
check "profile show leaves out a cleared box" bash -c '! grep -q chkSmartLF "$1"' _ "$work/show.txt"
"$leafcast" convert "$work/book.txt" --home "$home" --profile story --out "$work/profiled" > /dev/null
check "convert --profile still names the pages after the book" test -f "$work/profiled/book_00001 ().jpg"
"$leafcast" convert "$work/book.txt" --home "$home" --profile nothing > /dev/null 2> "$work/err.txt"
check "a missing profile is an error (1)" test $? -eq 1
check "a missing profile: every path looked at is named" \
  grep -qxF "leafcast: there is no profile \"nothing\": looked for $PWD/nothing, $home/Profiles/nothing and $home/Profiles/nothing.cfg" "$work/err.txt"

# Standard input converts as the same bytes in a file do, and several books convert at a time.
"$leafcast" convert "$samples/novel.txt" --out "$work/fromfile" -q
(cd "$work" && cat "$samples/novel.txt" | "$leafcast" convert - -q)
pages() { (cd "$1" && find . -name '*.jpg' -print0 | sort -z | xargs -0 md5sum | cut -c1-32); }
check "standard input gives the pages of the same file" test "$(pages "$work/fromfile")" = "$(pages "$work/stdin")"
check "-q prints nothing" test -z "$("$leafcast" convert "$work/book.txt" --out "$work/quiet" -q 2>&1)"
cp "$work/book.txt" "$work/second.txt"
"$leafcast" convert "$work/book.txt" "$work/second.txt" "$work/missing.txt" -j 2 -o "$work/many" > "$work/out.txt" 2>&1
check "several books: exit 1 when one failed" test $? -eq 1
check "several books: each in its own folder" test -f "$work/many/second/second_00001 ().jpg"
check "several books: one summary line" grep -qx "3 books: 2 converted, 1 failed; 6 pages in .* s" "$work/out.txt"
"$leafcast" conver "$work/book.txt" 2> "$work/err.txt"
check "a mistyped command is a usage error (2)" test $? -eq 2
check "a mistyped command names itself" grep -q "'conver' is not a command" "$work/err.txt"

# Every usage error, the parser's and the commands' own, exits 2 with a message on standard error that starts
# "leafcast:" and names what is wrong.
while IFS='|' read -r names line; do
  read -r -a arguments <<< "$line"
  "$leafcast" "${arguments[@]}" > "$work/out.txt" 2> "$work/err.txt"
  status=$?
  check "leafcast $line: exit 2, nothing on standard output" bash -c "test $status -eq 2 && ! test -s \"\$1\"" _ "$work/out.txt"
  check "leafcast $line: says $names" bash -c 'head -1 "$1" | grep -q "^leafcast: " && head -1 "$1" | grep -qF -- "$2"' _ "$work/err.txt" "$names"
done <<EOF
convert has no option --bogus|convert $work/book.txt --bogus
there is no option --bogus|--bogus
-o/--out is missing its value (DIR)|convert $work/book.txt -o
-j 0: the number of books at a time must be a whole number from 1 to 64|convert $work/book.txt -j 0
-j abc: the number of books at a time must be a whole number from 1 to 64|convert $work/book.txt -j abc
-j 1e3: the number|convert $work/book.txt -j 1e3
"c" is one argument too many: mask takes MASK TEXT|mask a b c
"x" is one argument too many: settings takes none|settings x
convert is missing BOOK|convert
profile needs a command: save or show|profile
syntax error in the mask "[a-": the list that [ opens at character 1 has no closing ]|mask [a- [a-
--set txtChaptMask=Ch[0-9: syntax error in the mask "Ch[0-9"|convert $work/book.txt --set txtChaptMask=Ch[0-9
--set txtParagrMask=[!: syntax error in the mask "[!"|profile save p --home $work/home --set txtParagrMask=[!
--size takes a width and a height in pixels, as in 480x272, not "480"|convert $work/book.txt --size 480
--size 15x272: the width must be a whole number from 16 to 4096, not "15"|convert $work/book.txt --size 15x272
--size 480x4097: the height must be a whole number from 16 to 4096, not "4097"|convert $work/book.txt --size 480x4097
--size 480x2.5e2: the height must be a whole number|convert $work/book.txt --size 480x2.5e2
EOF
"$leafcast" convert "$work/book.txt" --set txtQA=11 2> "$work/err.txt"
check "a value out of range is a usage error naming the range" grep -q "from 0 to 10" "$work/err.txt"
# lstFonts takes any installed family besides the offered faces; a family that is not installed is refused before
# anything is written, and a profile naming one loads the rest.
"$leafcast" convert "$work/book.txt" --set "lstFonts=Foo Sans" -o "$work/foo" > /dev/null 2> "$work/err.txt"
check "a family that is not installed is a usage error (2)" test $? -eq 2
check "the refusal names the family and the command that lists them" \
  test "$(head -1 "$work/err.txt")" = 'leafcast: --set lstFonts=Foo Sans: lstFonts: "Foo Sans" is not an installed font family; leafcast fonts --all lists them'
check "a refused family writes nothing" test ! -e "$work/foo"
check "an installed family converts" "$leafcast" convert "$work/book.txt" --set "lstFonts=dejavu serif" -o "$work/serif" -q
"$leafcast" profile save serif --home "$work/fonts-home" --set "lstFonts=dejavu serif" --set optScrRes=1 > /dev/null
check "a profile keeps the family as fontconfig spells it" grep -q '^"lstFonts","DejaVu Serif",' "$work/fonts-home/Profiles/serif.cfg"
sed -i 's/"DejaVu Serif"/"Foo Sans"/' "$work/fonts-home/Profiles/serif.cfg"
"$leafcast" convert "$work/book.txt" --home "$work/fonts-home" --profile serif --set chkDiffFold=0 \
  -o "$work/foo-profile" > /dev/null 2> "$work/err.txt"
check "a profile with a family that is not installed still converts" test $? -eq 0
check "... saying which record it skipped" \
  grep -qE 'serif.cfg, line [0-9]+: lstFonts: "Foo Sans" is not an installed font family; .* \(skipped\)$' "$work/err.txt"
check "... with the rest of the profile applied" \
  bash -c 'test "$(identify -format "%w %h" "$1/foo-profile/book_00001 ().jpg")" = "640 480"' _ "$work"
check "fonts --all --names lists the families fonts --all describes" \
  bash -c 'test "$("$1" fonts --all --names)" = "$("$1" fonts --all | sed -n "s/^  \(.*[^ ]\)  .*/\1/p")"' _ "$leafcast"
check "fonts --all lists the installed families" bash -c '"$1" fonts --all --names | grep -qx "Lohit Devanagari"' _ "$leafcast"
check "settings lists every setting" test "$("$leafcast" settings | grep -c -E '^  (chk|txt|lst|opt|Text1)')" -ge 37
check "fonts names the stand-in" bash -c '"$1" fonts | grep -A1 "^  ProggyCleanTT" | grep -q "stand-in"' _ "$leafcast"
# The lists for scripts (shell completion) hold what the lists for readers hold, and --set knows every name.
check "settings --names lists the names settings describes" \
  bash -c 'test "$("$1" settings --names)" = "$("$1" settings | sed -n "s/^  \([^ ][^ ]*\) .*/\1/p")"' _ "$leafcast"
check "fonts --names lists the faces fonts describes" \
  bash -c 'test "$("$1" fonts --names)" = "$("$1" fonts | sed -n "s/^  \([^ /].*[^ ]\)  *[^ ].*/\1/p" | sed "s/  .*//")"' _ "$leafcast"
unknown=0
while IFS= read -r name; do
  "$leafcast" profile save names --home "$work/names-home" --set "$name=" 2>&1 | grep -q "there is no setting" &&
    unknown=$((unknown + 1))
done < <("$leafcast" settings --names)
check "--set takes every name settings --names lists" test "$unknown" -eq 0

check "mask: a match exits 0" test "$("$leafcast" mask 'Chapter*[0-9 ]#.[0-9 ]*' 'Chapter 1.2 The road')" = "OK! Match"
"$leafcast" mask 'Chapter #' 'Chapter one' > "$work/mask.txt"
check "mask: no match exits 1" test $? -eq 1
check "mask: no match says so" grep -qx "No Match" "$work/mask.txt"
"$leafcast" mask '' 'text' > "$work/mask.txt"
check "mask: an empty mask exits 2" test $? -eq 2
check "mask: an empty mask says so" grep -qx "ERROR: Empty Mask Text string" "$work/mask.txt"

# The desktop program's help needs no display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$gui" --help > "$work/out.txt" 2> "$work/err.txt"
check "leafcast-gui --help without a display: exit 0" test $? -eq 0
check "leafcast-gui --help prints its usage" grep -q "^Usage: leafcast-gui \[BOOK\]" "$work/out.txt"

# A library e-book with its licence kept gets a hint about the ebook profile, once per command.
printf 'Licence.\r\n*** START OF THE E-BOOK ***\r\nText.\r\n' > "$work/library.txt"
cp "$work/library.txt" "$work/library2.txt"
"$leafcast" convert "$work/library.txt" -o "$work/library" > "$work/out.txt"
check "a library e-book gets the hint" grep -q "^Hint: .*--profile ebook" "$work/out.txt"
"$leafcast" convert "$work/library.txt" "$work/library2.txt" -o "$work/libraries" -j 2 > "$work/out.txt"
check "several get it once" test "$(grep -c "^Hint:" "$work/out.txt")" -eq 1
"$leafcast" convert "$work/library.txt" --profile ebook -o "$work/library" > "$work/out.txt"
check "with the ebook profile there is no hint" test "$(grep -c "^Hint:" "$work/out.txt")" -eq 0

# The screenshot tour finishes for a book of one page and makes its pages in a folder of their own.
mkdir -p "$work/tour" && printf 'One short page.\r\n' > "$work/tour/short.txt"
QT_QPA_PLATFORM=offscreen timeout 60 "$gui" --home "$work/tour-home" --screenshots "$work/shots" "$work/tour/short.txt" \
  > /dev/null 2>&1
check "the screenshot tour ends for a one-page book" test $? -eq 0
check "it saves a picture of every window" test "$(ls "$work/shots" | wc -l)" -eq 5
check "it writes no page beside the book" test "$(ls "$work/tour")" = short.txt

checks_done
