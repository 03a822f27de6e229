#!/usr/bin/env bash
# Main job: renders a short built-in demo signal through Oriel.vst3 with
# talvo-host, once with the default settings and once with automation, and
# draws a picture comparing input and outputs (waveforms and spectrograms).
# Usage: scripts/demo.sh BUILD_DIR OUT_DIR
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$1
out=$2
host=$build/talvo-host
bundle=$build/Oriel.vst3
fail() {
  echo "talvo-plugin-shell: demo: $*" >&2
  exit 1
}
[[ -x $host ]] || fail "no $host; build the release preset first"
[[ -d $bundle ]] || fail "no $bundle; build the release preset first"
command -v sox >/dev/null || fail "sox is missing (scripts/setup.sh installs it)"
command -v gnuplot >/dev/null || fail "gnuplot is missing (scripts/setup.sh installs it)"

mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The demo signal: 44100 Hz (so the rate adapter runs), mono, 6 seconds: a
# plucked phrase, then a held two-note chord that makes the sweep easy to hear.
rate=44100
notes=(A3 C4 E4 A4 G4 E4 D4 C4)
parts=()
for i in "${!notes[@]}"; do
  sox -n -r $rate -c 1 -b 32 -e floating-point "$work/note$i.wav" synth 0.375 pluck "${notes[$i]}" vol 0.6
  parts+=("$work/note$i.wav")
done
sox -n -r $rate -c 1 -b 32 -e floating-point "$work/chord.wav" synth 3 sine 440 sine 660 remix 1,2 \
  fade 0.05 3 0.4 vol 0.5
sox "${parts[@]}" "$work/chord.wav" "$out/input.wav"

# Outputs are aligned with the input (the reported latency removed), so the
# pictures line up frame for frame.
echo "demo: default settings"
"$host" render "$bundle" --in "$out/input.wav" --out "$out/output-plain.wav" --block 512 --align
echo "demo: automated rate, depth and mix"
"$host" render "$bundle" --in "$out/input.wav" --out "$out/output-automated.wav" --block 512 --align \
  --automate oriel.rate=0:0.5,3:2,6:12 \
  --automate oriel.depth=0:0.2,2.5:1,6:0.5 \
  --automate oriel.wet=0:0.5,1.5:1

# Spectrograms: one panel per channel of a merged file (input, plain, automated).
sox -V1 "$out/output-plain.wav" "$work/plain-left.wav" remix 1
sox -V1 "$out/output-automated.wav" "$work/automated-left.wav" remix 1
sox -V1 -M "$out/input.wav" "$work/plain-left.wav" "$work/automated-left.wav" "$work/merged.wav"
sox -V1 "$work/merged.wav" -n rate 6000 spectrogram -x 1200 -y 180 -z 90 \
  -t "Oriel demo: input (top), default settings (middle), automated (bottom)" -o "$work/spectrogram.png"

# Waveforms: decimated to keep the plot light.
for name in input plain-left automated-left; do
  src="$work/$name.wav"
  [[ $name == input ]] && src="$out/input.wav"
  sox -V1 "$src" -t dat - rate 4000 | awk '!/^;/ {print $1, $2}' >"$work/$name.dat"
done

gnuplot <<GNUPLOT
set terminal png size 1400,1700
set output "$out/comparison.png"
set multiplot title "Oriel demo through talvo-host (44100 Hz, latency removed)"
set lmargin 10
set xrange [0:6]
set yrange [-1:1]
set ylabel "amplitude"
set key top right
set size 1,0.19
set origin 0,0.76
plot "$work/input.dat" using 1:2 with lines lc rgb "#1f77b4" title "input"
set origin 0,0.57
plot "$work/plain-left.dat" using 1:2 with lines lc rgb "#2ca02c" title "output, default settings"
set xlabel "seconds"
set origin 0,0.38
plot "$work/automated-left.dat" using 1:2 with lines lc rgb "#d62728" title "output, automated rate/depth/mix"
unset xlabel
unset ylabel
unset key
unset tics
unset border
set xrange [*:*]
set yrange [*:*]
set size ratio -1
set size 1,0.38
set origin 0,0
plot "$work/spectrogram.png" binary filetype=png with rgbimage
unset multiplot
GNUPLOT
cp "$work/spectrogram.png" "$out/spectrogram.png"

echo "demo: left in $out:"
for f in input.wav output-plain.wav output-automated.wav comparison.png spectrogram.png; do
  echo "  $out/$f"
done
