#!/usr/bin/env bash
# Renders the 48 and 256 pixel PNG icons from the SVG (needs rsvg-convert from
# librsvg2-bin). The PNGs are committed, so building never needs this.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
id=example.kanro.Kanro_VEY_1
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" "scalable/$id.svg" -o "${size}x$size/$id.png"
done
