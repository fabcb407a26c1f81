#!/usr/bin/env bash
# Checks a staged program folder on the host, on every machine, whether or not it can run the
# images: each program is a Windows image of the expected machine, the modem module exports every
# entry the programs bind, undecorated, and every image passes tools/check-image.py (delay-import
# slots that reach their stubs, no decorated import or export names).
#   check-product.sh FOLDER i686|x86_64
set -euo pipefail
folder=$1 arch=$2
here=$(cd "$(dirname "$0")" && pwd)
case $arch in
i686) machine='i386' objdump=i686-w64-mingw32-objdump format='pei-i386' ;;
x86_64) machine='x86-64' objdump=x86_64-w64-mingw32-objdump format='pei-x86-64' ;;
*) echo "unknown machine $arch" >&2; exit 2 ;;
esac
fail=0
images="Orvane.exe Pin.exe Sentrel.exe simcard.dll simctl.exe
        skingb.dll skinen.dll skinbig5.dll skinjap.dll skinspa.dll"
for image in $images; do
    path=$folder/$image
    if [ ! -f "$path" ]; then echo "missing: $image"; fail=1; continue; fi
    kind=$($objdump -f "$path" | sed -n 's/.*file format \(.*\)$/\1/p' | head -1)
    [ "$kind" = "$format" ] || { echo "$image: $kind, expected $format"; fail=1; }
done
# The operator presets are generated at build time; a folder without them is not the product.
presets=$(grep -cv '^;' "$folder/pap.ini" 2>/dev/null || true)
[ "${presets:-0}" -gt 0 ] || { echo "pap.ini: missing or without presets"; fail=1; }
# The 42 entries the main program binds and the two the watcher binds instead.
entries="mdmNetDial2 mdmNetHangup mdmNetSetCta mdmNetConnectStatus mdmNetTransmitStatus
mdmNetGetDefaultSetting mdmModemExist mdmGetRegStatus mdmUimExist2 mdmGetCsq mdmGetServerMode
mdmGetActiveComPort mdmSmsSend mdmSmsGetAllRecvRec mdmSmsGetAllSendRec mdmSmsDelSendRec
mdmSmsDelRecvRec mdmVoiceCall mdmVoiceShutdown mdmVoiceCallAccept mdmVoiceSendDtmf mdmVoiceSetVol
mdmVoiceGetVol mdmVoiceGetMaxVol mdmVoiceGetAllRec mdmVoiceDelRec mdmPbGetAllRec mdmPbAddRec
mdmPbDelRec mdmPinGetStatus mdmPinVerify mdmPinEnable mdmPinDisable mdmPinChange mdmPinUnblock
mdmSetLogFileName mdmWriteLog mdmClearLog mdmGetLastErrorDes mdmSetLastErrorDes mdmInitWatch
mdmStopDev mdmNetDial mdmUimExist"
exports=$($objdump -p "$folder/simcard.dll" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on{print $NF}')
count=0
for e in $entries; do
    count=$((count + 1))
    grep -qx "$e" <<<"$exports" || { echo "simcard.dll does not export $e"; fail=1; }
done
decorated=$(grep -c '@' <<<"$exports" || true)
[ "$decorated" = 0 ] || { echo "simcard.dll exports $decorated decorated names"; fail=1; }
python3 "$here/check-image.py" "$arch" "$folder"/*.exe "$folder"/*.dll || fail=1
[ $fail = 0 ] && echo "$folder: $arch images, simcard.dll exports all $count entries undecorated"
exit $fail
