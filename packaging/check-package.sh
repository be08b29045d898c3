#!/usr/bin/env bash
# The Debian package as it will be installed: lintian's verdict, its control fields, and its contents unpacked into
# a folder of their own and run from there: both programs, a conversion, the menu entry and the software-centre
# metadata as their validators see them, the manual pages as man renders them (against the programs' own help),
# and the bash completion asked as the shell asks it.   check-package.sh BUILD-FOLDER
set -uo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/..")
source "$(dirname "$0")/../scripts/check-support.sh"
has_line() { grep -qxF -- "$1" "$2"; }  # has_line LINE FILE

version=$(sed -n 's/^project(Leafcast VERSION \([^ ]*\) .*/\1/p' "$source_dir/CMakeLists.txt")
deb=$build/leafcast_${version}_$(dpkg --print-architecture).deb
check "the project has a version" test -n "$version"
if [ ! -f "$deb" ]; then
  echo "FAIL: no package $deb"
  exit 1
fi

# lintian: no error and no warning. Its notes are explained in the README.
lintian --fail-on error,warning "$deb" > "$work/lintian.txt" 2>&1
check "lintian reports no error and no warning" test $? -eq 0
sed 's/^/lintian: /' "$work/lintian.txt" | grep -v "root privileges"

field() { dpkg-deb --field "$deb" "$1"; }
check "Package is leafcast" test "$(field Package)" = leafcast
check "Version is the project's ($version)" test "$(field Version)" = "$version"
check "Section is graphics" test "$(field Section)" = graphics
check "a Maintainer is named" test -n "$(field Maintainer)"
depends=$(field Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
for package in fonts-liberation2 fonts-dejavu-core fonts-wine qt6-qpa-plugins libqt6widgets6 libturbojpeg0 libfreetype6 \
               libfontconfig1 libzip4 libxml2 libc6; do
  check "Depends names $package" grep -qx "$package" <<< "$depends"
done
changelog_version=$(sed -n '1s/^leafcast (\([^)]*\)).*/\1/p' "$source_dir/packaging/changelog")
check "the changelog's newest entry is for $version, not $changelog_version" test "$changelog_version" = "$version"

root=$work/root
dpkg-deb -x "$deb" "$root"
for path in usr/bin/leafcast usr/bin/leafcast-gui usr/share/applications/io.github.leafcast.Leafcast.desktop \
            usr/share/metainfo/io.github.leafcast.Leafcast.metainfo.xml usr/share/man/man1/leafcast.1.gz \
            usr/share/man/man1/leafcast-gui.1.gz usr/share/bash-completion/completions/leafcast \
            usr/share/doc/leafcast/copyright usr/share/doc/leafcast/changelog.gz \
            usr/share/icons/hicolor/scalable/apps/leafcast.svg; do
  check "the package holds /$path" test -f "$root/$path"
done
check "leafcast-gui's completion is leafcast's" \
  test "$(readlink -f "$root/usr/share/bash-completion/completions/leafcast-gui")" = \
       "$(readlink -f "$root/usr/share/bash-completion/completions/leafcast")"
for size in 16 22 24 32 48 64 128 256; do
  check "the ${size}x$size icon is $size x $size pixels" \
    bash -c 'file "$1" | grep -q "PNG image data, $2 x $2,"' _ "$root/usr/share/icons/hicolor/${size}x$size/apps/leafcast.png" "$size"
done

# The programs as installed: no leafcast.portable beside them, so their folder is under XDG_DATA_HOME.
leafcast=$root/usr/bin/leafcast
export XDG_DATA_HOME=$work/data
check "leafcast --version says $version" test "$("$leafcast" --version)" = "leafcast $version"
"$leafcast" convert "$source_dir/samples/novel.txt" --profile ebook -o "$work/pages" > "$work/convert.txt" 2>&1
check "the installed leafcast converts the sample novel with the ebook profile" test $? -eq 0
written=$(sed -n 's/^\([0-9][0-9]*\) pages written to .*/\1/p' "$work/convert.txt")
check "it writes the pages it says it wrote" test "${written:-0}" -gt 0 -a "$(find "$work/pages" -name '*.jpg' | wc -l)" = "${written:-0}"
check "the pages are JPEG files" bash -c 'file "$1"/*.jpg | grep -q "JPEG image data"' _ "$work/pages"
check "the installed leafcast puts the ebook profile under XDG_DATA_HOME" test -f "$XDG_DATA_HOME/leafcast/Profiles/ebook.cfg"
check "leafcast-gui --help answers without a display" \
  bash -c 'env -u DISPLAY -u WAYLAND_DISPLAY "$1" --help | grep -q "^Usage: leafcast-gui"' _ "$root/usr/bin/leafcast-gui"
QT_QPA_PLATFORM=offscreen timeout 60 "$root/usr/bin/leafcast-gui" --screenshots "$work/shots" "$source_dir/samples/novel.txt" \
  > /dev/null 2>&1
check "the installed leafcast-gui opens its windows (offscreen) and saves a picture of each" \
  test "$(find "$work/shots" -name '*.png' 2> /dev/null | wc -l)" -eq 5

# The menu entry and the software-centre metadata.
desktop=$root/usr/share/applications/io.github.leafcast.Leafcast.desktop
desktop-file-validate "$desktop" > "$work/desktop.txt" 2>&1
check "desktop-file-validate passes the menu entry, without a hint" bash -c 'test $1 -eq 0 && ! test -s "$2"' _ $? "$work/desktop.txt"
cat "$work/desktop.txt"
mimetypes=$(sed -n 's/^MimeType=//p' "$desktop")
for type in text/plain application/epub+zip text/html application/xhtml+xml; do
  check "the menu entry opens $type" grep -q "\(^\|;\)$type;" <<< "$mimetypes"
done
check "the menu entry starts leafcast-gui with the file" grep -qx "Exec=leafcast-gui %f" "$desktop"
check "the menu entry's icon is installed" test -f "$root/usr/share/icons/hicolor/48x48/apps/$(sed -n 's/^Icon=//p' "$desktop").png"
metainfo=$root/usr/share/metainfo/io.github.leafcast.Leafcast.metainfo.xml
appstreamcli validate "$metainfo" > "$work/appstream.txt" 2>&1
check "appstreamcli validate passes the metadata" test $? -eq 0
grep -v -e '^$' -e 'Validation was successful' "$work/appstream.txt"
check "the metadata launches the installed menu entry" \
  grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"
check "the metadata's release is $version" grep -q "<release version=\"$version\"" "$metainfo"
for provided in '<binary>leafcast</binary>' '<binary>leafcast-gui</binary>' '<mediatype>application/epub+zip</mediatype>'; do
  check "the metadata provides $provided" grep -qF "$provided" "$metainfo"
done

# The manual pages: rendered without a warning, of this version, naming every command and option the programs'
# help names, and no setting that does not exist.
for page in leafcast leafcast-gui; do
  MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" > "$work/$page.txt" 2> "$work/$page.err"
  check "man renders $page(1)" test $? -eq 0
  check "man renders $page(1) without a warning" test ! -s "$work/$page.err"
  cat "$work/$page.err"
  check "$page(1) is of version $version" grep -q "^Leafcast $version " "$work/$page.txt"
done
for command in "" convert settings fonts profile "profile save" "profile show" mask help; do
  # shellcheck disable=SC2086  # a command of two words is two arguments
  "$leafcast" help $command > "$work/help.txt"
  while read -r option; do
    check "leafcast(1) describes ${command:-leafcast} $option" grep -q -- "$option" "$work/leafcast.txt"
  done < <(grep -o -E -- '^  (-[A-Za-z],)?--[a-z-]+' "$work/help.txt" | sed 's/^ *//' | tr ',' '\n' | grep -v -x -e -h -e --help)
done
"$leafcast" help > "$work/help.txt"
commands=$(sed -n '/^Subcommands:/,$s/^  \([a-z]\+\) .*/\1/p' "$work/help.txt")
for command in $commands; do
  check "leafcast(1) has the command $command" grep -q -E "^       $command( |$)" "$work/leafcast.txt"
done
"$leafcast" settings --names > "$work/names.txt"
for name in $(grep -o -E '\<(chk|txt|lst|opt)[A-Z][A-Za-z0-9]*|\<Text1\>' "$work/leafcast.txt" | sort -u); do
  check "the setting $name that leafcast(1) names exists" has_line "$name" "$work/names.txt"
done
while read -r option; do
  check "leafcast-gui(1) describes $option" grep -q -- "$option" "$work/leafcast-gui.txt"
done < <(env -u DISPLAY "$root/usr/bin/leafcast-gui" --help | grep -o -E -- '^  (-[a-z], )?--[a-z-]+' | sed 's/^ *//;s/, /\n/')

# Bash completion, as the shell calls it: COMP_WORDS and COMP_CWORD set, the function of the completion the
# package installs, and the installed leafcast first on PATH.
offers() {  # offers WORD...: what Tab offers for the last word, one a line
  PATH=$root/usr/bin:$PATH bash -c '
    source "$1/usr/share/bash-completion/completions/leafcast"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    if [ "$1" = leafcast-gui ]; then _leafcast_gui; else _leafcast; fi
    printf "%s\n" "${COMPREPLY[@]}"' _ "$root" "$@"
}
check "completion is registered for both programs" \
  bash -c 'source "$1"; complete -p leafcast | grep -q _leafcast && complete -p leafcast-gui | grep -q _leafcast_gui' _ \
  "$root/usr/share/bash-completion/completions/leafcast-gui"
check "Tab offers the commands of leafcast help" test "$(offers leafcast '' | sort)" = "$(sort <<< "$commands")"
check "Tab completes a command" test "$(offers leafcast con)" = convert
for command in convert settings fonts "profile save" "profile show"; do
  "$leafcast" help $command | grep -o -E -- '^  (-[A-Za-z],)?--[a-z-]+' | sed 's/^ *//' | tr ',' '\n' | sort > "$work/help.txt"
  # shellcheck disable=SC2086
  check "Tab offers the options of leafcast help $command" test "$(offers leafcast $command - | sort)" = "$(cat "$work/help.txt")"
done
check "Tab offers profile's commands" test "$(offers leafcast profile '' | tr '\n' ' ')" = "save show "
check "Tab offers the topics of help profile" test "$(offers leafcast help profile '' | tr '\n' ' ')" = "save show "
sed 's/$/=/' "$work/names.txt" > "$work/set.txt"
check "Tab after --set offers every setting name with its =" test "$(offers leafcast convert b.txt --set '')" = "$(cat "$work/set.txt")"
check "Tab after profile save --set offers the names too" test "$(offers leafcast profile save p --set chkSm)" = "chkSmartLF="
check "Tab completes a setting name" test "$(offers leafcast convert b.txt --set txtFontS)" = "txtFontSize="
check "Tab after --set lstFonts= offers the faces of leafcast fonts, then the families of fonts --all" \
  test "$(offers leafcast convert b.txt --set lstFonts =)" = \
       "$({ "$leafcast" fonts --names; "$leafcast" fonts --all --names | grep -v -x -F -f <("$leafcast" fonts --names); })"
check "Tab completes a face name with blanks" test "$(offers leafcast convert b.txt --set lstFonts = Times)" = "Times New Roman"
check "Tab completes an installed family typed with an escaped blank" \
  test "$(offers leafcast convert b.txt --set lstFonts = 'DejaVu\ Ser')" = "DejaVu Serif"
check "... also when = does not break words" \
  test "$(COMP_WORDBREAKS=' ' offers leafcast convert b.txt --set lstFonts=Cou)" = "lstFonts=Courier New"
check "Tab offers 0 and 1 for a check box" test "$(offers leafcast convert b.txt --set chkRotate = | tr '\n' ' ')" = "0 1 "
mkdir -p "$work/tab/shelf" && touch "$work/tab/story.txt" "$work/tab/shelf/inner.txt"
check "Tab offers files and folders for a book" \
  test "$(cd "$work/tab" && offers leafcast convert '' | sort | tr '\n' ' ')" = "shelf story.txt "
check "Tab offers folders alone after -o" test "$(cd "$work/tab" && offers leafcast convert story.txt -o '')" = shelf
check "Tab offers files in a folder" test "$(cd "$work/tab" && offers leafcast convert shelf/)" = shelf/inner.txt
check "Tab offers the profiles of the program's folder" test "$(offers leafcast convert b.txt --profile eb)" = ebook
check "Tab offers leafcast-gui's options" test "$(offers leafcast-gui --s)" = --screenshots
check "Tab offers a book to leafcast-gui" test "$(cd "$work/tab" && offers leafcast-gui st)" = story.txt

checks_done
