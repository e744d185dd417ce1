#!/bin/sh
# The demo's served program: a window that shows which version is installed.
dir=$(cd "$(dirname "$0")" && pwd)
version=$(cat "$dir/version.txt" 2>/dev/null || echo unknown)
echo $$ >"$dir/editor.pid"
exec xmessage -center -title "Sample Editor $version" \
    "Sample Editor, version $version" "" "(installed in $dir)"
