#!/bin/sh
# The demo installer. patchwell runs it as: editor-setup.sh /auto FOLDER
# It installs version 2.0 of the served program into FOLDER and records the
# new version in FOLDER/update.ini.
[ "$1" = "/auto" ] || { echo "usage: $0 /auto FOLDER" >&2; exit 2; }
folder=$2
# A real installer takes a moment; patchwell keeps its installation window up
# until the installer ends.
sleep 3
echo "2.0" >"$folder/version.txt.new" && mv "$folder/version.txt.new" "$folder/version.txt"
sed -i 's/^prgver=.*/prgver=2.0/' "$folder/update.ini"
echo "installed Sample Editor 2.0 into $folder" >>"$folder/install.log"
exit 0
# The rest of this file only gives the download a size worth watching.
