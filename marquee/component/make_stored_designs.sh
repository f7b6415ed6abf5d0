#!/bin/sh
# Writes the stored designs of the main window's two marquees into resources/marquee/:
#   banner.zqm      ZqMarquee1, the banner (its Text is replaced at start-up)
#   zqmarquee2.zqm  ZqMarquee2, the vertical scroller
# usage: make_stored_designs.sh <path to zqmwrite> <source dir>
set -e
zqmwrite="$1"
out="$2/resources/marquee"

"$zqmwrite" "$out/banner.zqm" ExtentX=11853 ExtentY=661 \
    "Text=Kavel32 v3.10 disk packer  by QXV   <IMG 1>" \
    ForeColor=0x0080FFFF BackColor=0 "Font=Arial;700;9.75" \
    Direction=0 TickIncrement=1 Frame=1 TickTime=50 \
    "Picture1=@$out/banner_logo.jpg" Picture9=empty Justification=1 \
    "Heading1=MS Sans Serif;400;18" "Heading2=MS Sans Serif;400;12" \
    "Heading3=MS Sans Serif;400;12" "Heading4=MS Sans Serif;400;12" \
    "Heading5=MS Sans Serif;400;12"

# The credits scroll bottom to top: in that layout every text run is one line placed and
# centred on its own, and a run with line breaks is measured as one line as wide as all its
# characters (wider than the control). So every line is a run of its own, separated by
# "<H 0>" (which keeps the font); a blank run makes an empty line.
"$zqmwrite" "$out/zqmarquee2.zqm" ExtentX=3175 ExtentY=4233 \
    "Text=<H 1>Kavel32<H 0> <H 0>Any source<H 0>into floppy-sized<H 0>zips, each with<H 0>\
its own diz<H 0>and nfo.<H 0> <COLOR R128 G0 B0>Scripts run<H 0>unattended." \
    ForeColor=0x00C00000 BackColor=0x8000000F "Font=MS Sans Serif;400;8.25" \
    Direction=3 TickIncrement=1 Frame=0 TickTime=50 Justification=1 \
    "Heading1=MS Sans Serif;700;12" "Heading2=MS Sans Serif;400;12" \
    "Heading3=MS Sans Serif;400;12" "Heading4=MS Sans Serif;400;12" \
    "Heading5=MS Sans Serif;400;12"
