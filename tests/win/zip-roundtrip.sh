#!/usr/bin/env bash
# The zip writer under Wine writes its archives on Z:, then this machine's
# readers take them back: unzip -t and Python's zipfile, names and bytes.
# Usage: zip-roundtrip.sh <wine> <wineserver> <win_zipwriter.exe>
set -u
here=$(cd "$(dirname "$0")" && pwd)
folder="${TMPDIR:-/tmp}/zip-roundtrip"
rm -rf "$folder"
mkdir -p "$folder"
"$here/run-wine.sh" "$1" "$2" "$3" "Z:${folder//\//\\}" || exit 1
for archive in roundtrip partial memory pipe attributes; do
  unzip -t "$folder/$archive.zip" || { echo "FAIL: unzip -t refuses $archive.zip"; exit 1; }
done
exec python3 "$here/check_zip_roundtrip.py" "$folder"
