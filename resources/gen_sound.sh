#!/bin/sh
# Synthesises one built-in sound of the language libraries with sox: 16 kHz mono 16-bit PCM WAV.
#   gen_sound.sh SOX NAME OUTPUT
# NAME is one of: new_sms, dormant, connected, ring, month_alarm, key_click.
# Notes are sines with a quiet octave partial and a decaying envelope, so they sound like soft
# chimes; every sound starts and ends at silence (the ring is played in a loop).
set -eu
sox=$1 name=$2 out=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A fresh file name in the scratch folder (the helpers run in subshells, so no shared counter).
scratch() { mktemp -p "$tmp" --suffix=.wav; }
calc() { awk "BEGIN { print $1 }"; }

# note FREQ LENGTH [GAIN_DB]: one chime note into a new file; prints its path.
note() {
    f=$(scratch)
    "$sox" -R -D -n -r 16000 -c 1 -b 16 "$f" synth "$2" sine "$1" synth "$2" sine mix "$(calc "$1 * 2")" \
        gain -6 fade l 0.004 "$2" "$(calc "$2 - 0.01")" gain "${3:-0}"
    echo "$f"
}

# silence LENGTH: prints the path of a silent file.
silence() {
    f=$(scratch)
    "$sox" -R -D -n -r 16000 -c 1 -b 16 "$f" trim 0 "$1"
    echo "$f"
}

# at OFFSET FILE: the file delayed by OFFSET seconds, for mixing overlapping notes.
at() {
    f=$(scratch)
    "$sox" -R -D "$2" "$f" pad "$1" 0
    echo "$f"
}

finish() { # finish PEAK_DB FILES...: joins the files and sets the peak level
    peak=$1
    shift
    "$sox" -R -D "$@" -r 16000 -c 1 -b 16 -e signed-integer "$out.tmp.wav" gain -n "$peak"
    mv "$out.tmp.wav" "$out"
}

mix() { # mix PEAK_DB FILES...: overlays the files
    peak=$1
    shift
    "$sox" -R -D -m "$@" -r 16000 -c 1 -b 16 -e signed-integer "$out.tmp.wav" gain -n "$peak"
    mv "$out.tmp.wav" "$out"
}

case $name in
new_sms)        # rising two-note chime, E6 then A6
    mix -3 "$(note 1318.5 0.45)" "$(at 0.16 "$(note 1760 0.55)")"
    ;;
dormant)        # falling, softer: G5 then C5
    mix -8 "$(note 784 0.35)" "$(at 0.22 "$(note 523.25 0.6)")"
    ;;
connected)      # rising arpeggio C5 E5 G5 C6
    mix -3 "$(note 523.25 0.3)" "$(at 0.09 "$(note 659.25 0.3)")" \
        "$(at 0.18 "$(note 784 0.3)")" "$(at 0.27 "$(note 1046.5 0.5)")"
    ;;
ring)           # two bursts of a quick E6-C6 trill, then a pause: 2 s, loops seamlessly
    burst=""
    i=0
    while [ $i -lt 8 ]; do
        if [ $((i % 2)) -eq 0 ]; then burst="$burst $(note 1318.5 0.05)"; else burst="$burst $(note 1046.5 0.05)"; fi
        i=$((i + 1))
    done
    # shellcheck disable=SC2086  # the burst is a list of file names without blanks
    finish -3 $burst "$(silence 0.2)" $burst "$(silence 1.0)"
    ;;
month_alarm)    # three insistent A5 beeps and a higher fourth
    finish -2 "$(note 880 0.16)" "$(silence 0.08)" "$(note 880 0.16)" "$(silence 0.08)" \
        "$(note 880 0.16)" "$(silence 0.08)" "$(note 1174.7 0.3)"
    ;;
key_click)      # a short soft tick
    "$sox" -R -D -n -r 16000 -c 1 -b 16 "$tmp/k.wav" synth 0.045 sine 1500 fade l 0.002 0.045 0.04
    finish -10 "$tmp/k.wav"
    ;;
*)
    echo "$0: unknown sound '$name'" >&2
    exit 2
    ;;
esac
