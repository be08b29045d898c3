#!/usr/bin/env bash
# Writes a bitmap of every depth and reduction with our writer and checks that ImageMagick, an independent
# reader, opens each one with the size and depth we wrote.
set -euo pipefail
writer=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

passed=0 failed=0
while read -r file width height bits; do
  case $bits in
    24) expected="$width $height 8 DirectClass" ;;
    *) expected="$width $height $bits PseudoClass" ;;
  esac
  # %r is the storage class followed by the colour space ("PseudoClass Gray"); the class is what we compare.
  seen=$(identify -format '%w %h %z %r' "$file" 2>&1 | awk '{print $1, $2, $3, $4}')
  if [ "$seen" = "$expected" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL $(basename "$file"): expected '$expected', identify says '$seen'"
    failed=$((failed + 1))
  fi
done < <("$writer" "$folder")

echo "$passed passed, $failed failed"
[ "$passed" -gt 0 ] && [ "$failed" -eq 0 ]
