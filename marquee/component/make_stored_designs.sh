#!/bin/sh
# Writes the stored designs of the main window's two marquees into resources/marquee/:
#   banner.zqm      ZqMarquee1, the banner (its Text is replaced at start-up)
#   zqmarquee2.zqm  ZqMarquee2, the vertical scroller
# usage: make_stored_designs.sh <path to zqmwrite> <source dir>
set -e
zqmwrite="$1"
out="$2/resources/marquee"
cr=$(printf '\r')

"$zqmwrite" "$out/banner.zqm" ExtentX=11853 ExtentY=661 \
    "Text=Kavel32 v3.10 disk packer  by QXV   <IMG 1>" \
    ForeColor=0x0080FFFF BackColor=0 "Font=Arial;700;9.75" \
    Direction=0 TickIncrement=1 Frame=1 TickTime=50 \
    "Picture1=@$out/banner_logo.jpg" Picture9=empty Justification=1 \
    "Heading1=MS Sans Serif;400;18" "Heading2=MS Sans Serif;400;12" \
    "Heading3=MS Sans Serif;400;12" "Heading4=MS Sans Serif;400;12" \
    "Heading5=MS Sans Serif;400;12"

"$zqmwrite" "$out/zqmarquee2.zqm" ExtentX=3175 ExtentY=4233 \
    "Text=<H 1>Kavel32<H 0>$cr
$cr
Any source$cr
into floppy-sized$cr
zips, each with$cr
its own diz$cr
and nfo.$cr
$cr
<COLOR R128 G0 B0>Scripts run$cr
unattended." \
    ForeColor=0x00C00000 BackColor=0x8000000F "Font=MS Sans Serif;400;8.25" \
    Direction=3 TickIncrement=1 Frame=0 TickTime=50 Justification=1 \
    "Heading1=MS Sans Serif;700;12" "Heading2=MS Sans Serif;400;12" \
    "Heading3=MS Sans Serif;400;12" "Heading4=MS Sans Serif;400;12" \
    "Heading5=MS Sans Serif;400;12"
