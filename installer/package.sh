#!/usr/bin/env bash
# Packages a staged program folder: a copy with stripped binaries, the MSI built from it by wixl
# (file list generated from the copy), and a zip of the same folder.
#   package.sh STAGE OUT_DIR NAME ARCH VERSION STRIP SETUP_DLL WORK_DIR
# ARCH is x86 or x64; NAME is the file name of both outputs without extension. Does nothing when
# neither the folder nor the installer sources changed since the last run.
set -euo pipefail
stage=$1 out=$2 name=$3 arch=$4 version=$5 strip=$6 setup_dll=$7 work=$8
here=$(cd "$(dirname "$0")" && pwd)
msi=$out/$name.msi zip=$out/$name.zip

# Written by the programs at run time (for instance when the build's folder is run directly):
# never shipped.
runtime_files=(modem.log Sentrel.dat Sentrel.log debug.ini)

[ -f "$stage/Orvane.exe" ] || { echo "package: $stage has no Orvane.exe" >&2; exit 1; }
mkdir -p "$out" "$work"

# Everything the result depends on, with sizes and times: an unchanged list means nothing to do.
state=$( (cd "$stage" && find . -type f -printf '%p %s %T@\n' | sort)
         for f in "$here"/Orvane.wxs "$here"/gen_files.pl "$0" "$setup_dll"; do
             stat -c '%n %s %Y' "$f"; done
         echo "$name $arch $version")
if [ -f "$msi" ] && [ -f "$zip" ] && [ "$(cat "$work/state" 2>/dev/null)" = "$state" ]; then
    echo "package: $name is up to date"
    exit 0
fi
rm -f "$work/state"

# The copy: the staged folder without run-time files, binaries stripped.
folder=$work/Orvane
rm -rf "$folder"
mkdir -p "$folder"
excludes=()
for f in "${runtime_files[@]}"; do excludes+=(--exclude="./$f"); done
tar -C "$stage" "${excludes[@]}" -cf - . | tar -C "$folder" -xf -
find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -exec "$strip" --strip-all {} +

# The MSI.
perl "$here/gen_files.pl" "$folder" "$work/files.wxs"
win64=no
[ "$arch" = x64 ] && win64=yes
# wixl takes file sources relative to the working folder only.
cp "$setup_dll" "$work/OrvaneSetup.dll"
(cd "$work" && wixl -a "$arch" -D Win64=$win64 -D Version="$version" -D SourceDir=Orvane \
     -D SetupDll=OrvaneSetup.dll -o "$name.msi" "$here/Orvane.wxs" files.wxs)

# What wixl cannot say, added to its tables:
# - modem.ini holds the user's settings: permanent (an uninstall keeps it) and never overwritten
#   by a later installation;
# - files the programs create beside themselves go with the uninstall: the module's log always,
#   the watcher's data file unless an upgrade removes the old version (CLEANUPDIR set), modem.ini
#   only with REMOVESETTINGS=1 (SETTINGSDIR set);
# - REMOVESETTINGS reaches the elevated part of the uninstall.
table() { msiinfo export "$work/$name.msi" "$1" | tail -n +4; }
attributes=$(table Component | awk -F'\t' '$1 == "c_modem.ini" { print $4 }')
[ -n "$attributes" ] || { echo "package: the folder has no modem.ini" >&2; exit 1; }
secure=$(table Property | awk -F'\t' '$1 == "SecureCustomProperties" { print $2 }')
if [ -n "$secure" ]; then
    secure_query="UPDATE Property SET Value = '$secure;REMOVESETTINGS' WHERE Property = 'SecureCustomProperties'"
else
    secure_query="INSERT INTO Property (Property, Value) VALUES ('SecureCustomProperties', 'REMOVESETTINGS')"
fi
remove_row() {
    echo "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode)" \
         "VALUES ('$1', 'c_shortcut', '$2', '$3', 2)"
}
msibuild "$work/$name.msi" \
    -q "UPDATE Component SET Attributes = $((attributes | 16 | 128)) WHERE Component = 'c_modem.ini'" \
    -q "$(remove_row rm_watcher_data Sentrel.dat CLEANUPDIR)" \
    -q "$(remove_row rm_watcher_log Sentrel.log CLEANUPDIR)" \
    -q "$(remove_row rm_module_log modem.log INSTALLDIR)" \
    -q "$(remove_row rm_settings modem.ini SETTINGSDIR)" \
    -q "$secure_query"
mv -f "$work/$name.msi" "$msi"

# The zip: the same folder, as a user would copy it.
rm -f "$work/$name.zip"
(cd "$work" && zip -q -r -X "$name.zip" Orvane)
mv -f "$work/$name.zip" "$zip"

echo "$state" >"$work/state"
for f in "$msi" "$zip"; do
    printf 'package: %s (%s bytes)\n' "$f" "$(stat -c %s "$f")"
done
