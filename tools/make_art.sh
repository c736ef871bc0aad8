#!/usr/bin/env bash
# Draws all of Nimbrel's pictures from scratch into ui/res/.
# Rerun after changing anything here; the outputs are committed so the
# Windows build never needs ImageMagick.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$ROOT/ui/res"
TOOLS="$ROOT/tools"
CONVERT=/usr/bin/convert
PYTHON=/usr/bin/python3
FONTS=/usr/share/fonts/truetype/dejavu
BOLD="$FONTS/DejaVuSans-Bold.ttf"
BOOK="$FONTS/DejaVuSans.ttf"

# /usr/local/bin may hold a look-alike; insist on the real ImageMagick.
if ! "$CONVERT" -version 2>/dev/null | grep -q ImageMagick; then
    echo "make_art.sh: $CONVERT is not ImageMagick (apt-get install imagemagick)" >&2
    exit 1
fi
for f in "$BOLD" "$BOOK"; do
    [[ -f $f ]] || { echo "make_art.sh: missing $f (apt-get install fonts-dejavu-core)" >&2; exit 1; }
done
[[ -x $PYTHON ]] || { echo "make_art.sh: $PYTHON not found" >&2; exit 1; }

# One thread keeps blur and resize sums in a fixed order, so reruns match byte for byte.
export MAGICK_THREAD_LIMIT=1
export MAGICK_OCL_DEVICE=OFF

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"

# ---------------------------------------------------------------- shapes
# Top view of a jet, nose up, about 100 units long, centred on 0,0.
PLANE="path 'M 0,-50 C 4,-48 5,-42 5,-36 L 5,-8 L 48,12 L 48,21 L 5,12 L 4,34 L 18,42 L 18,49 L 3,47 L 0,51 L -3,47 L -18,49 L -18,42 L -4,34 L -5,12 L -48,21 L -48,12 L -5,-8 L -5,-36 C -5,-42 -4,-48 0,-50 Z'"
# Same jet with wings and tailplane swept exactly 45 degrees: turned by 45
# degrees its edges land on pixel rows and columns, which keeps tiny sizes crisp.
PLANE45="path 'M 0,-50 C 6,-48 8,-40 8,-32 L 8,-14 L 50,28 L 50,38 L 8,12 L 7,30 L 22,45 L 22,52 L 4,46 L 0,50 L -4,46 L -22,52 L -22,45 L -7,30 L -8,12 L -50,38 L -50,28 L -8,-14 L -8,-32 C -8,-40 -6,-48 0,-50 Z'"
# Cumulus puff, about 122 units wide, flat base from y 0 to 16.
CLOUD="roundrectangle -60,0 62,16 8,8 circle -42,6 -42,-6 circle -22,-2 -22,-20 circle 2,-6 2,-30 circle 26,-1 26,-19 circle 46,6 46,-7"
# Taller, rounder puff for square tiles.
CLOUD_TALL="roundrectangle -54,0 54,18 9,9 circle -38,5 -38,-11 circle -15,-8 -15,-32 circle 13,-13 13,-39 circle 37,0 37,-18"

# at X Y SCALE [ROTATE] PRIMITIVES: wrap primitives in a placed graphic context.
at() {
    if (($# == 5)); then
        echo "push graphic-context translate $1,$2 rotate $4 scale $3,$3 $5 pop graphic-context"
    else
        echo "push graphic-context translate $1,$2 scale $3,$3 $4 pop graphic-context"
    fi
}

# puffs SHADE LIGHT LIFT "x y s" ...: every shade first, then every lit body
# raised by LIFT, so neighbouring puffs merge without seams. SHAPE picks the
# outline (CLOUD unless set).
puffs() {
    local shade=$1 light=$2 lift=$3 p x y s shape=${SHAPE:-$CLOUD}
    shift 3
    local mvg="fill '$shade'"
    for p in "$@"; do
        read -r x y s <<<"$p"
        mvg+=" $(at "$x" "$y" "$s" "$shape")"
    done
    mvg+=" fill '$light'"
    for p in "$@"; do
        read -r x y s <<<"$p"
        mvg+=" $(at "$x" "$(awk "BEGIN { print $y - $lift }")" "$s" "$shape")"
    done
    echo "$mvg"
}

# fading_trail W H X0 X1 PATH COLOUR WIDTH OUT: a stroke on a clear W x H layer,
# invisible left of X0 and fading in up to full strength at X1.
fading_trail() {
    local w=$1 h=$2 x0=$3 x1=$4 path=$5 colour=$6 width=$7 out=$8
    "$CONVERT" -size "${w}x${h}" xc:none -stroke "$colour" -strokewidth "$width" -fill none \
        -draw "path '$path'" "$TMP/trail_line.png"
    "$CONVERT" -size "${w}x${h}" xc:black \
        -sparse-color Barycentric "$x0,0 black $x1,0 white" -alpha copy "$TMP/trail_mask.png"
    "$CONVERT" "$TMP/trail_line.png" "$TMP/trail_mask.png" -compose DstIn -composite "$out"
}

# png24 IN OUT: 8-bit RGB PNG with no chunk beyond the pixels (no time, gamma or colour profile),
# at zlib's best compression; the program decodes it with WIC. The samples pass through a 24-bit
# BMP first: its writer rounds them to 8 bits a shade differently from the PNG writer, and the
# pictures keep the pixels they have always had.
png24() {
    "$CONVERT" "$1" -alpha off -type TrueColor -strip "BMP3:$TMP/png24.bmp"
    "$CONVERT" "$TMP/png24.bmp" -strip -define png:compression-level=9 \
        -define png:exclude-chunks=date,time "PNG24:$2"
}

# ---------------------------------------------------------------- splash
make_splash() {
    local w=440 h=330
    # Dusk: deep blue overhead, violet, then warm light on the cloud tops.
    "$CONVERT" -size ${w}x120 gradient:'#0f1838'-'#2e2f66' \
        -size ${w}x100 gradient:'#2e2f66'-'#7a5288' \
        -size ${w}x110 gradient:'#7a5288'-'#f3a86e' -append "$TMP/sky.png"
    # Afterglow where the sun has just set, added with screen so black is neutral.
    "$CONVERT" -size 420x420 radial-gradient:'#b07850'-black "$TMP/glow.png"
    local stars="" p
    for p in 22,18 61,44 97,12 140,31 188,9 231,40 262,17 305,28 351,8 389,37 \
        420,15 36,78 120,70 210,66 300,72 410,80 75,102 395,110 165,96 250,98; do
        stars+=" point $p"
    done
    local wisps="fill '#f5b48a70' ellipse 95,198 80,2.2 0,360 ellipse 150,206 90,1.8 0,360
        fill '#fac8a080' ellipse 340,216 95,2.4 0,360 ellipse 355,207 55,1.6 0,360"
    "$CONVERT" -size ${w}x${h} xc:none -draw "$wisps" -blur 0x1.2 "$TMP/wisps.png"
    fading_trail $w $h 170 330 'M 170,236 Q 270,226 330,190' '#ffffffa0' 1.6 "$TMP/trail.png"
    # Title shadow is blurred on its own layer so it stays soft.
    "$CONVERT" -size ${w}x${h} xc:none -font "$BOLD" -pointsize 60 -kerning 1 -gravity north \
        -fill '#0a0f2a' -annotate +2+64 'Nimbrel' -blur 0x4 "$TMP/title_shadow.png"

    "$CONVERT" "$TMP/sky.png" \
        "$TMP/glow.png" -geometry +120+60 -compose screen -composite -compose over \
        -fill '#ffffffb0' -draw "$stars" \
        -fill '#ffffff60' -draw "circle 61,44 61,45.2 circle 305,28 305,29.2 circle 188,9 188,10.2" \
        "$TMP/wisps.png" -composite \
        -draw "$(puffs '#c98a94' '#f7c6a4' 3 '30 280 0.9' '160 276 1.0' '300 282 0.85' '420 274 1.0')" \
        -draw "$(puffs '#5c4478' '#8f6693' 3 '20 308 1.0' '140 312 1.1' '270 306 1.25' '410 310 1.1')" \
        -fill '#5c4478' -draw "rectangle 0,318 $w,$h" \
        "$TMP/trail.png" -composite \
        -fill '#1b1a3a' -draw "$(at 340 184 0.38 62 "$PLANE")" \
        "$TMP/title_shadow.png" -composite \
        -font "$BOLD" -pointsize 60 -kerning 1 -gravity north -fill white -annotate +0+60 'Nimbrel' \
        -font "$BOOK" -pointsize 17 -kerning 0.5 -fill '#e9e4ff' -annotate +0+140 'METAR weather for Fly!' \
        -gravity northwest -pointsize 11 -fill '#ece4f6' -annotate +356+310 'Version 1.00' \
        -fill none -stroke '#0b1030' -strokewidth 1 -draw "rectangle 0,0 $((w - 1)),$((h - 1))" \
        "$TMP/splash.png"
    png24 "$TMP/splash.png" "$OUT/splash.png"
}

# ---------------------------------------------------------------- main window
make_background() {
    local w=450 h=116
    # Pale and low-contrast everywhere the labels, edit box and status text sit;
    # decoration stays in the free strip below the path box and right of Help.
    "$CONVERT" -size ${w}x${h} gradient:'#dae7f5'-'#eef4fa' \
        -draw "$(puffs '#c9d8ea' '#fcfdff' 1.75 '444 106 0.55' '396 107 0.8')" \
        -font "$BOLD" -pointsize 34 -kerning 1 -fill '#d5e2f0' -annotate +150+98 'Nimbrel' \
        -draw "$(at 136 86 0.16 60 "$PLANE")" \
        "$TMP/background.png"
    png24 "$TMP/background.png" "$OUT/main_background.png"
}

# ---------------------------------------------------------------- icon
# 32 px: drawn at 512 px in a 32-unit grid, then box-filtered down so every
# pixel is the exact average of a 16x16 block, then cut to 15 colours.
icon32() {
    local k=16 edge=16 radius=80
    local cloud_shape="roundrectangle 2,21 25,29 4,4 circle 8,21.5 8,16 circle 14.5,18 14.5,11 circle 21,21.5 21,16"
    "$CONVERT" -size 512x512 xc:none -fill white -draw "roundrectangle 0,0 511,511 $radius,$radius" \
        "$TMP/icon_mask.png"
    "$CONVERT" -size 512x512 gradient:'#2a6cc0'-'#94c8f0' -alpha set \
        "$TMP/icon_mask.png" -compose DstIn -composite -compose over \
        -fill '#bcd2ea' -draw "$(at 0 16 $k "$cloud_shape")" \
        -fill white -draw "$(at 0 0 $k "$cloud_shape")" \
        -fill '#10244a' -draw "$(at 0 0 $k "$(at 20 11 0.2 45 "$PLANE45")")" \
        -fill none -stroke '#163c74' -strokewidth $edge \
        -draw "roundrectangle $((edge / 2)),$((edge / 2)) $((511 - edge / 2)),$((511 - edge / 2)) $radius,$radius" \
        -filter box -resize 32x32 "$TMP/icon32.png"
}

# 16 px: too small for a scaled drawing to stay legible, so it is placed
# pixel by pixel (same sky tile, cloud and jet heading up and right).
icon16() {
    cat >"$TMP/icon16.xpm" <<'XPM'
/* XPM */
static char *icon16[] = {
"16 16 13 1",
". c None",
"O c #163C74",
"1 c #3672BE",
"2 c #4180CA",
"3 c #4B88CD",
"4 c #5591D3",
"5 c #5D98D7",
"6 c #6EA6DD",
"7 c #80B4E4",
"W c #FFFFFF",
"s c #DAE5F1",
"S c #A9C4E2",
"N c #10244A",
"..OOOOOOOOOOOO..",
".O111111111111O.",
"O11111111111111O",
"O11111111111111O",
"O222222222222N2O",
"O22222222222N22O",
"O33333NNNNNN333O",
"O44444444NNN444O",
"O44444444NNN444O",
"O5555sWWNWWN555O",
"O55sWWWNWWWNs66O",
"O5sWNNNWWWWNWs6O",
"OsWWWNNWWWWWWW7O",
"OWWWWWNWWWWWWWsO",
".OSsssssssssSSO.",
"..OOOOOOOOOOOO..",
};
XPM
    "$CONVERT" "$TMP/icon16.xpm" "$TMP/icon16.png"
}

# icon_layers N [COLOURS]: colour plane (at most 15 colours) plus 1-bit mask.
icon_layers() {
    local n=$1
    local reduce=()
    (($# > 1)) && reduce=(+dither -colors "$2")
    # Transparent pixels are flattened onto the frame colour so they add no
    # extra palette entries; the mask hides them anyway.
    "$CONVERT" "$TMP/icon$n.png" -background '#163c74' -alpha remove "${reduce[@]}" \
        -depth 8 "$TMP/icon$n.ppm"
    "$CONVERT" "$TMP/icon$n.png" -alpha extract -threshold 50% -depth 8 "$TMP/icon$n.pgm"
}

make_icon() {
    icon32
    icon16
    icon_layers 32 15
    icon_layers 16
    "$PYTHON" -B "$TOOLS/write_ico.py" "$OUT/nimbrel.ico" \
        "$TMP/icon32.ppm" "$TMP/icon32.pgm" "$TMP/icon16.ppm" "$TMP/icon16.pgm"
}

# ---------------------------------------------------------------- about box
make_about_logo() {
    # Drawn at 4x and shrunk, for smooth edges on every shape.
    local w=640 h=644
    fading_trail $w $h 60 380 'M 60,470 L 380,150' '#ffffffc0' 10 "$TMP/logo_trail.png"
    "$CONVERT" -size ${w}x${h} gradient:'#2a6cc0'-'#9ccdf2' \
        -draw "$(puffs '#8fb9e4' '#d9e9f8' 6 '150 210 1.3')" \
        "$TMP/logo_trail.png" -composite \
        -draw "$(puffs '#a9c4e2' '#ffffff' 18 '330 520 3.9')" \
        -fill '#10244a' -draw "$(at 430 110 1.6 45 "$PLANE")" \
        -filter Lanczos -resize 160x161\! "$TMP/logo.png"
    "$CONVERT" "$TMP/logo.png" -alpha off -type TrueColor -strip \
        -sampling-factor 1x1 -quality 92 "JPEG:$OUT/about_logo.jpg"
}

make_about_cloud() {
    local w=308 h=300
    "$CONVERT" -size ${w}x${h} gradient:'#bcdaf5'-'#eaf4fd' \
        -draw "$(SHAPE=$CLOUD_TALL puffs '#a7c2e0' '#ffffff' 12 '154 186 2.45')" \
        -filter Lanczos -resize 77x75\! "$TMP/cloud.png"
    "$CONVERT" "$TMP/cloud.png" -alpha off +dither -colors 64 -strip "GIF:$OUT/about_cloud.gif"
}

make_about_sun() {
    local w=300 rays="" i
    # Twelve rays as thin triangles round the centre.
    for i in $(seq 0 11); do
        rays+=" $(at 150 150 1 $((i * 30)) "polygon -11,-64 11,-64 0,-122")"
    done
    # The file must carry exactly these eight colours; the in-between tones
    # give the edges some anti-aliasing after remapping.
    local palette=(
        '#cfe5f8' '#e5c793' '#f7a22b' '#ee8f1c' '#fbb836' '#ffcc3d' '#ffd95e' '#ffe68a'
    )
    "$CONVERT" -size 1x1 "${palette[@]/#/xc:}" +append -depth 8 "$TMP/sun_palette.ppm"
    "$CONVERT" -size ${w}x${w} xc:'#cfe5f8' \
        -fill '#f7a22b' -draw "$rays" \
        -fill '#ee8f1c' -draw "circle 150,150 150,70" \
        -fill '#ffcc3d' -draw "circle 150,150 150,79" \
        -fill '#ffd95e' -draw "circle 143,143 143,88" \
        -fill '#ffe68a' -draw "circle 136,136 136,104" \
        -filter Lanczos -resize 75x75 +dither -remap "$TMP/sun_palette.ppm" -depth 8 "$TMP/sun.ppm"
    "$PYTHON" -B "$TOOLS/write_bmp8.py" "$OUT/about_sun.bmp" "$TMP/sun.ppm" "$TMP/sun_palette.ppm"
}

make_splash
make_background
make_icon
make_about_logo
make_about_cloud
make_about_sun
echo "make_art.sh: wrote splash.png main_background.png nimbrel.ico about_logo.jpg" \
    "about_cloud.gif about_sun.bmp to $OUT"
