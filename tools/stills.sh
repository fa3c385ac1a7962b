#!/usr/bin/env bash
# One still of every scene, taken at the middle of its passes, laid out with the scenes' names
# in one picture: docs/show.png, the show at a glance.
#   tools/stills.sh [OUT.png]
# Builds the show if needed, captures it (a picture every STEP passes), then picks and lays out.
# Installs ImageMagick and a font (Debian packages) when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/show.png}
step=15          # passes between pictures kept: half a second of the show
tile=320x240     # each still, half the show's size

source tools/setup.sh
solmire_setup play
solmire_install imagemagick fonts-dejavu-core
# The show as the tree has it, whichever options ./play or ./test made it with.
if [[ -f build/build.ninja ]]; then
  SOLMIRE_TARGETS=solmire solmire_build_existing build
else
  solmire_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLMIRE_TESTS=OFF -DSOLMIRE_BENCH=OFF
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "capturing the show (a picture every $step passes)..."
build/solmire --capture "$work/frames" --trace --every "$step" --tail 1 2>"$work/trace" >/dev/null

# "scene NAME begins at T ms" then "scene NAME passes N ...": the middle is T plus half of N.
# The fades between scenes are part of the scenes that call them and get no still.
files=()
labels=()
while read -r name mid; do
  pick=$(( (mid + step / 2) / step * step ))
  file=$(printf '%s/frames/frame-%06d.png' "$work" "$pick")
  [[ -f $file ]] || { echo "no picture at pass $pick for $name" >&2; exit 1; }
  files+=("$file")
  labels+=("$name")
done < <(awk '
  $1 == "scene" && $3 == "begins" { begin[$2] = int($5 * 30 / 1000) }
  $1 == "scene" && $3 == "passes" && $2 != "FadeToPicture" { print $2, begin[$2] + int($4 / 2) }
' "$work/trace")
echo "${#files[@]} scenes"

args=()
for i in "${!files[@]}"; do args+=(-label "${labels[$i]}" "${files[$i]}"); done
mkdir -p "$(dirname "$out")"
/usr/bin/montage -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -pointsize 14 -background '#202020' \
  -fill '#e0e0e0' "${args[@]}" -tile 4x -geometry "$tile+3+3" -depth 8 "$out"
echo "$out: $(stat -c %s "$out") bytes"
