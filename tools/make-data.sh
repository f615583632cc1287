#!/usr/bin/env bash
# Makes the default media of a fresh install, data/1.bmp and data/1.avi, shown by a layout
# until the operator chooses files of his own, the short clip the tests play, and one tiny clip
# of each video format the engine is tested with (tests/media/data). Run it again only
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
    tests/layoutview/data/short.avi

# One clip for each kind of video an operator is likely to bring: 2 seconds at 25 frames a
# second, 160 x 120, a square crossing the frame and the frame number in the corner, no sound.
# ffmpeg has no encoder for Windows Media Video 9 (WMV3/VC-1), so Windows Media Video 7 stands in
# for the second WMV row.
clip_source=(-f lavfi -i "color=c=0x1d3b66:s=160x120:r=25:d=2"
    -f lavfi -i "color=c=0xf2c14e:s=20x20:r=25:d=2"
    -filter_complex "[0][1]overlay=x='10+t*60':y=70:shortest=1,\
drawtext=fontfile=$font:text='%{frame_num}':start_number=1:fontcolor=white:fontsize=14:\
x=w-text_w-6:y=6"
    -an -fflags +bitexact -flags:v +bitexact)
clip() {
    local name=$1; shift
    ffmpeg -hide_banner -loglevel error -y "${clip_source[@]}" "$@" "tests/media/data/$name"
}
x264=(-c:v libx264 -preset veryslow -crf 30 -pix_fmt yuv420p)
mkdir -p tests/media/data
clip mjpeg.avi -c:v mjpeg -q:v 8 -pix_fmt yuvj420p
clip mpeg4.avi -c:v mpeg4 -q:v 8 -vtag XVID
clip h264.avi "${x264[@]}"
clip h264.mp4 "${x264[@]}"
clip h264.mov "${x264[@]}"
clip hevc.mkv -c:v libx265 -crf 30 -pix_fmt yuv420p -x265-params log-level=error
clip vp8.webm -c:v libvpx -b:v 100k
clip vp9.webm -c:v libvpx-vp9 -b:v 100k
clip theora.ogv -c:v libtheora -q:v 5
clip wmv2.wmv -c:v wmv2 -q:v 8
clip wmv1.wmv -c:v wmv1 -q:v 8
clip mpeg1.mpg -c:v mpeg1video -q:v 8 -f mpeg
clip mpeg2.mpg -c:v mpeg2video -q:v 8 -f vob
clip h264.ts "${x264[@]}"
clip sorenson.flv -c:v flv -q:v 8
