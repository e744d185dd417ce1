#!/bin/sh
# The demo installer. patchwell runs it as: editor-setup.sh /auto FOLDER
# It installs this version of the served program into FOLDER and records the
# new version in FOLDER/update.ini.
version=2.0
[ "$1" = "/auto" ] || { echo "usage: $0 /auto FOLDER" >&2; exit 2; }
folder=$2
# A real installer takes a moment; patchwell keeps its installation window up
# until the installer ends.
sleep 3
echo "$version" >"$folder/version.txt.new" && mv "$folder/version.txt.new" "$folder/version.txt"
sed -i "s/^prgver=.*/prgver=$version/" "$folder/update.ini"
echo "installed Sample Editor $version into $folder" >>"$folder/install.log"
exit 0
# The rest of this file stands for the program's files: it gives the
# download a size worth watching.
