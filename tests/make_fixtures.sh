#!/usr/bin/env bash
# Regenerates the real-encoder fixtures in tests/fixtures from Debian's ffmpeg
# (mpeg2video) and mjpegtools (mpeg2enc), fed synthetic test patterns.
#   apt-get install ffmpeg mjpegtools python3
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/fixtures"
mkdir -p "$out"
ff=(ffmpeg -hide_banner -loglevel error -y)
pal=(-f lavfi -i testsrc2=size=480x576:rate=25)
ntsc=(-f lavfi -i testsrc2=size=480x480:rate=30000/1001)
svcd=(-c:v mpeg2video -pix_fmt yuv420p -aspect 4:3 -b:v 1000k -maxrate 2500k -minrate 0 -bufsize 1835008 -f mpeg2video)
# A flat custom matrix, 64 entries, the first (DC) entry 8 as MPEG-2 requires of intra.
flat=$(printf '8'; for _ in $(seq 63); do printf ',20'; done)

# ffmpeg: progressive PAL, a sequence header on every GOP of 12, 12-byte header.
"${ff[@]}" "${pal[@]}" -t 2 -g 12 -bf 2 "${svcd[@]}" "$out/ffmpeg-pal-progressive.m2v"
# ffmpeg: interlaced NTSC, top field first, GOP of 15.
"${ff[@]}" "${ntsc[@]}" -t 2 -g 15 -bf 2 -flags +ilme+ildct -top 1 "${svcd[@]}" "$out/ffmpeg-ntsc-interlaced.m2v"
# ffmpeg: one GOP, so one sequence header in the whole stream.
"${ff[@]}" "${pal[@]}" -t 2 -g 1000 -sc_threshold 1000000000 -bf 2 "${svcd[@]}" "$out/ffmpeg-one-sequence-header.m2v"
# ffmpeg: 76-byte headers, the intra matrix alone and the non-intra matrix alone.
"${ff[@]}" "${pal[@]}" -t 1 -g 12 -bf 2 -intra_matrix "$flat" "${svcd[@]}" "$out/ffmpeg-intra-matrix.m2v"
"${ff[@]}" "${ntsc[@]}" -t 1 -g 15 -bf 2 -inter_matrix "$flat" "${svcd[@]}" "$out/ffmpeg-non-intra-matrix.m2v"
# ffmpeg: a single still picture, far below one 256 KiB block.
"${ff[@]}" "${pal[@]}" -frames:v 1 "${svcd[@]}" "$out/ffmpeg-still.m2v"

# mpeg2enc, SVCD profile, without scan blocks of its own (-d).
"${ff[@]}" "${pal[@]}" -t 2 -vf setfield=tff -pix_fmt yuv420p -f yuv4mpegpipe - |
    mpeg2enc -v 0 -f 4 -d -a 2 -n p -I 1 -b 1500 -K tmpgenc -o "$out/mpeg2enc-pal-interlaced-matrices.m2v"
"${ff[@]}" "${ntsc[@]}" -t 2 -pix_fmt yuv420p -f yuv4mpegpipe - |
    mpeg2enc -v 0 -f 4 -d -a 2 -n n -I 0 -b 1500 -o "$out/mpeg2enc-ntsc-progressive.m2v"

# Streams that carry SVCD scan information of their own, which Quorvel keeps
# as it is. mpeg2enc without -d writes a block after the first picture of
# every GOP; ffmpeg with -scan_offset 1 after every picture. vcdimager fills
# only one block per 2,324-byte sector, so the fixed quantiser keeps every
# picture larger than that.
"${ff[@]}" "${pal[@]}" -t 2 -vf setfield=tff -pix_fmt yuv420p -f yuv4mpegpipe - |
    mpeg2enc -v 0 -f 4 -a 2 -n p -I 1 -b 1500 -o "$out/mpeg2enc-pal-scan-info.m2v"
"${ff[@]}" "${pal[@]}" -t 1 -g 12 -bf 2 -scan_offset 1 -c:v mpeg2video -pix_fmt yuv420p -aspect 4:3 \
    -q:v 5 -maxrate 2500k -bufsize 1835008 -f mpeg2video "$out/ffmpeg-scan-offset.m2v"

# composite_display_flag set in every picture coding extension of a real
# stream: bit 0x40 of the fifth byte, and the two more bytes its 20 bits of
# fields need (v_axis, field_sequence, sub_carrier, burst_amplitude,
# sub_carrier_phase). Decoders skip them, so the pictures stay the same.
python3 - "$out/ffmpeg-pal-progressive.m2v" "$out/edited-composite-display.m2v" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
out, i = bytearray(), 0
while True:
    j = data.find(b'\x00\x00\x01\xb5', i)
    if j < 0 or j + 8 >= len(data):
        break
    if data[j + 4] >> 4 != 8:
        out += data[i:j + 4]; i = j + 4; continue
    ext = bytearray(data[j + 4:j + 9])
    # 20 bits after the flag: v_axis=1 field_sequence=010 sub_carrier=1
    # burst_amplitude=1010101 sub_carrier_phase=10101010, then 2 zero bits.
    fields = int('1' '010' '1' '1010101' '10101010', 2) << 2
    ext[4] = (ext[4] & 0x80) | 0x40 | (fields >> 16)
    out += data[i:j + 4] + ext + bytes([(fields >> 8) & 0xFF, fields & 0xFF])
    i = j + 9
out += data[i:]
open(sys.argv[2], 'wb').write(out)
PY
ls -l "$out"
