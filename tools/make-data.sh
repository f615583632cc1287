#!/usr/bin/env bash
# Makes the default media of a fresh install, data/1.bmp and data/1.avi, shown by a layout
# until the operator chooses files of his own, and the short clip the tests play. Run it again only
# to change them; the program and its tests use the committed files and need neither tool below.
#
# Needs ffmpeg (with its drawtext filter) and ImageMagick; both are Debian packages.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p data

font_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# The picture: 320 x 240, a vertical blue gradient with the name and a yellow band, stored as a
# palette BMP (Windows 3 format) so that it stays small and every bitmap reader takes it.
convert -size 320x240 gradient:'#2a5599'-'#10223f' \
    -fill '#f2c14e' -draw 'rectangle 0,170 320,178' \
    -font "$font_bold" -pointsize 40 -fill white -gravity north -annotate +0+60 'Velmora' \
    -font "$font" -pointsize 14 -fill '#c8d6f0' -gravity north -annotate +0+120 'advertising display' \
    +dither -colors 64 -type Palette -compress None BMP3:data/1.bmp

# The video: 2 seconds at 25 frames a second, 320 x 240, Motion JPEG in AVI without sound, which
# the GStreamer plugins of the base and good sets decode. A yellow square crosses the frame and
# the frame number stands in the corner, so a loop's seam is easy to see.
ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "color=c=0x1d3b66:s=320x240:r=25:d=2" \
    -f lavfi -i "color=c=0xf2c14e:s=40x40:r=25:d=2" \
    -filter_complex "[0][1]overlay=x='20+t*125':y=150:shortest=1,\
drawtext=fontfile=$font_bold:text='Velmora':fontcolor=white:fontsize=40:x=(w-text_w)/2:y=60,\
drawtext=fontfile=$font:text='%{frame_num}':start_number=1:fontcolor=0xc8d6f0:fontsize=14:\
x=w-text_w-8:y=h-22" \
    -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -an -fflags +bitexact -flags:v +bitexact data/1.avi

# The tests' clip: the same picture for 10 frames (0.4 s), so that a test that plays a video to
# its end and around again waits a moment, not seconds.
ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "color=c=0x1d3b66:s=320x240:r=25:d=0.4" \
    -f lavfi -i "color=c=0xf2c14e:s=40x40:r=25:d=0.4" \
    -filter_complex "[0][1]overlay=x='20+t*600':y=150:shortest=1" \
    -c:v mjpeg -q:v 8 -pix_fmt yuvj420p -an -fflags +bitexact -flags:v +bitexact \
    tests/layouts/ui/data/short.avi
