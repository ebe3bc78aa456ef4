#!/usr/bin/env bash
# Writes shell/res/about.jpg: the About window's picture of "the author", a stylised figure at
# a desk with a monitor full of code, drawn with ImageMagick. 640x480, baseline JFIF, 3 components.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/shell/res/about.jpg}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 640x480 gradient:'#2b4a7a'-'#e9b872' \
  -fill '#f3e3c2' -draw 'circle 520,90 520,40' \
  -fill '#3a2a1e' -draw 'rectangle 0,380 640,480' \
  -fill '#6b4a30' -draw 'rectangle 40,360 600,385' \
  -fill '#222831' -draw 'roundrectangle 330,150 590,330 12,12' \
  -fill '#0f1e2e' -draw 'rectangle 345,165 575,315' \
  -fill '#444' -draw 'rectangle 445,330 475,360' \
  -fill '#555' -draw 'rectangle 410,352 510,362' \
  -fill '#2d7dd2' -draw 'rectangle 360,180 410,186' -fill '#dddddd' -draw 'rectangle 418,180 520,186' \
  -fill '#dddddd' -draw 'rectangle 380,198 470,204' -fill '#e0584a' -draw 'rectangle 478,198 540,204' \
  -fill '#4caf50' -draw 'rectangle 380,216 560,222' \
  -fill '#dddddd' -draw 'rectangle 380,234 450,240' -fill '#2d7dd2' -draw 'rectangle 458,234 500,240' \
  -fill '#dddddd' -draw 'rectangle 380,252 540,258' \
  -fill '#2d7dd2' -draw 'rectangle 360,270 400,276' -fill '#2d7dd2' -draw 'rectangle 408,270 440,276' \
  -fill '#c0392b' -draw 'ellipse 170,330 95,120 180,360' \
  -fill '#c0392b' -draw 'rectangle 75,330 265,365' \
  -fill '#e8b48a' -draw 'rectangle 150,190 190,232' \
  -fill '#e8b48a' -draw 'ellipse 170,160 52,62 0,360' \
  -fill '#3b2416' -draw 'ellipse 170,122 56,34 180,360' \
  -fill '#3b2416' -draw 'rectangle 114,120 126,165' -fill '#3b2416' -draw 'rectangle 214,120 226,165' \
  -fill '#1b1b1b' -draw 'circle 150,160 150,166' -fill '#1b1b1b' -draw 'circle 190,160 190,166' \
  -stroke '#1b1b1b' -strokewidth 3 -fill none -draw 'arc 148,168 192,198 20,160' -stroke none \
  -fill '#e8b48a' -draw 'ellipse 300,345 30,14 0,360' \
  -fill '#ffffff' -draw 'rectangle 250,365 330,372' \
  "$tmp/base.png"
# A little grain and softness, as of a photograph.
convert "$tmp/base.png" -attenuate 0.35 +noise Gaussian -blur 0x0.7 "$tmp/grain.png"
convert "$tmp/grain.png" -strip -colorspace sRGB -type TrueColor -interlace none \
  -sampling-factor 2x2,1x1,1x1 -quality 72 "JPEG:$out"
identify -verbose "$out" | grep -E 'Geometry|Interlace|Colorspace|Filesize' || true
