#!/usr/bin/env python3
"""Writes the committed seeds of the fuzz targets (tests/fuzz/seeds) from the
test data and a few files of the TeX installation. Files the run can read as
they are (tests/data's DVI files, pictures and bitmap font) are not copied:
run.sh adds them. Run again when tests/data changes.

  specials/   the specials of each test document, in the target's sequence
              form (0x1E between specials), a file per 32 specials, and
              the pdf: specials of XeLaTeX's hyperref and bookmark packages
  fontfiles/  metric and virtual fonts behind the selector byte of
              FontFileKind.h
  fontmaps/   a pdftex.map excerpt, .enc files, and a map in this library's
              syntax
  pictures/   a placeable Windows metafile (no tool of the installation
              writes one), also drawn by the DVI and specials targets
  docfiles/   names a document gives, into the target's scratch tree and
              out of it (fuzz_docfiles.cpp)
  pstransforms/  graphicx's rotations and scalings as dvips writes them,
              and the evaluator's edges; the target also takes specials/
  srcspecials/  what follows `src:` in the specials of `tex -src-specials`,
              and numbers and names at their limits
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
SEEDS = os.path.join(HERE, "seeds")
SEPARATOR = b"\x1e"
MAX_SPECIALS = 32  # kMaxSpecials of SpecialSequence.h


def write(target, name, data):
    os.makedirs(os.path.join(SEEDS, target), exist_ok=True)
    with open(os.path.join(SEEDS, target, name), "wb") as f:
        f.write(data)


def kpsewhich(name):
    path = subprocess.run(["kpsewhich", name], capture_output=True, text=True).stdout.strip()
    if not path:
        sys.exit("make-seeds: %s is not installed" % name)
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


# --- specials: walk the pages of a DVI file for its xxx commands

def specials_of(dvi):
    fixed = {}  # opcode -> bytes of parameters that need no look
    for op in range(0, 128):
        fixed[op] = 0
    for base, widths in ((128, (1, 2, 3, 4)), (133, (1, 2, 3, 4))):  # set, put
        for i, w in enumerate(widths):
            fixed[base + i] = w
    fixed[132] = fixed[137] = 8  # set_rule, put_rule
    fixed[138] = fixed[141] = fixed[142] = 0  # nop, push, pop
    for base in (143, 148, 153, 157, 162, 167):  # right, w, x, down, y, z
        for i in range(4):
            fixed[base + i] = i + 1
    fixed[147] = fixed[152] = fixed[161] = fixed[166] = 0  # w0, x0, y0, z0
    for op in range(171, 235):
        fixed[op] = 0  # fnt_num
    for i in range(4):
        fixed[235 + i] = i + 1  # fnt
    out = []
    at = 15 + dvi[14]  # after the preamble
    while at < len(dvi):
        op = dvi[at]
        at += 1
        if op == 139:
            at += 44
        elif op == 140:
            continue
        elif 239 <= op <= 242:
            width = op - 238
            k = int.from_bytes(dvi[at:at + width], "big")
            at += width
            out.append(dvi[at:at + k])
            at += k
        elif 243 <= op <= 246:
            at += op - 242 + 12
            a, l = dvi[at], dvi[at + 1]
            at += 2 + a + l
        elif op == 248:
            break
        else:
            at += fixed[op]
    return out


def make_specials():
    for name in sorted(os.listdir(DATA)):
        if not name.endswith(".dvi"):
            continue
        specials = specials_of(read(os.path.join(DATA, name)))
        # The target reads MAX_SPECIALS of a sequence: longer documents
        # give one seed per run of that many.
        for at in range(0, len(specials), MAX_SPECIALS):
            part = "" if at == 0 else "-%d" % (at // MAX_SPECIALS + 1)
            write("specials", name[:-4] + part + ".seq", SEPARATOR.join(specials[at:at + MAX_SPECIALS]))


# The pdf: specials XeTeX's packages write for xdvipdfmx (tests/data holds
# no XDV file with them): links over two lines and a page, boxes, anchors
# and bookmarks.
def make_pdf_specials():
    specials = (
        b"pdf:pagesize width 614.295pt height 794.96999pt",
        b"pdf:docinfo<</Title()/Subject()/Creator(LaTeX with hyperref)/Author()/Keywords()>>",
        b"pdf:dest (page.1) [@thispage /XYZ @xpos @ypos null]",
        b"pdf:outline [-] 1<</Title(\\376\\377\\000F\\000i\\000r\\000s\\000t)/A<</S/GoTo/D(section.1)>>>>",
        b"pdf:outline [] 2<</Title<FEFF00DC0062006500720020D83DDE00>/A<</S/GoTo/D(sub.1)>>>>",
        b"pdf:out 3 <</Title(Caf\\351)/Dest[@page1/Fit]>>",
        b"pdf:bann<</Type/Annot/Subtype/Link/Border[0 0 1]/H/I/C[1 0 0]/A<</S/GoTo/D(section.1)>>>>",
        b"pdf:nolink",
        b"pdf:link",
        b"pdf:eann",
        b"pdf:bann<</Type/Annot/Subtype/Link/A<</S/URI/URI(https://example.org/a\\(b\\))>>>>",
        b"pdf:ann width 10pt height 5 true pt depth 2pt <</Subtype/Link/A<</S/GoToR/F(o.pdf)/D(d)>>>>",
        b"pdf:annot @nav bbox 0 0 72 36 <</Subtype/Link/Dest/name>>",
        b"pdf:dest (section.1) [@thispage /XYZ @xpos @ypos null]",
        b"pdf:docview<</OpenAction[@page1/Fit]/PageMode/UseOutlines>>",
        b"pdf:btrans rotate 30",
        b"pdf:btrans",
        b"x:scale 1.23254 1.23254",
        b"pdf:image matrix 1.0 0.0 0.0 1.0 0.0 0.0 page 0 pagebox cropbox (./figure.pdf)",
        b"pdf:etrans",
        b"pdf:etrans",
        b"x:gsave",
        b"pdf:btrans matrix 1 0 0 -1 0 0",
        b"x:grestore",
    )
    write("specials", "xdvipdfmx.seq", SEPARATOR.join(specials))
    # pstricks' specials for xdvipdfmx under XeTeX: in big points, a clip
    # between x:gsave and x:grestore, a box scaled by x:bscale.
    pstricks = (
        b"header=pstricks.pro",
        b"PST: tx@Dict begin gsave STV CP T /ps@rot 0 def grestore end",
        b"PST: tx@Dict begin { 42.67911 28.45274 72 72.27 div dup scale } PutCoor PutBegin end",
        b"PST: tx@Dict begin PutEnd end",
        b"pst: tx@Dict begin STP newpath 0.8 SLW 0 setgray 0 0 moveto 85 56 lineto stroke end",
        b"x:gsave",
        b"PST: tx@Dict begin gsave STV newpath 56 28 25 0 360 arc clip end",
        b"x:grestore",
        b"x:bscale 2 2",
        b"PST: tx@Dict begin 90 RotBegin end",
        b"PST: tx@Dict begin RotEnd end",
        b"x:escale",
        b"x:escale",
    )
    write("specials", "pstricks-xetex.seq", SEPARATOR.join(pstricks))
    # xespotcolor's spot colours: a Separation space put before the function
    # it names is defined, a background, a push and content's fill colour.
    spots = (
        b"pdf:put @resources <</ColorSpace << /Teal [/Separation/Ink#20Teal /DeviceCMYK @fn0]>>>>",
        b"pdf:obj @fn0<</C0[0 0 0 0]/FunctionType 2/C1[0.92 0.24 0 0]/Domain[0 1]/N 1>>",
        b"background spot Teal 1.0",
        b"color push spot Teal 0.5",
        b"pdf:literal /Teal cs /Teal CS 0.8 sc 0.8 SC",
        b"color pop",
        b"pdf:code q 0 0 1 rg",
        b"pdf:code Q",
    )
    write("specials", "spot-colours.seq", SEPARATOR.join(spots))
    # dvipdfmx's colour specials as l3color and the drivers write them: a
    # spot object, fill and stroke parts, bare numbers, a name, scolor, and
    # one that does not read.
    pdfcolours = (
        b"pdf:obj @pdf.obj1 << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0.56 0 0] /N 1 >>",
        b"pdf:obj @pdf.obj2 [ /Separation/PANTONE#203005#20U /DeviceCMYK @pdf.obj1 ]",
        b"pdf:bc @pdf.obj2 [0.5]",
        b"pdf:bc fill @pdf.obj2 [1.0] stroke [1 0 0]",
        b"pdf:bcolor 0 0 1",
        b"pdf:sc Red",
        b"pdf:bc garbage",
        b"pdf:content 0 0 m 10 0 l S",
        b"pdf:ec",
        b"pdf:ecolor",
        b"pdf:ec",
        b"pdf:ec",
    )
    write("specials", "pdf-colours.seq", SEPARATOR.join(pdfcolours))
    # l3color's separations for dvips: the space a procedure of a ! special.
    separations = (
        b"!TeXDict begin /color1{[ /Separation (PANTONE#203005#20U) [ /DeviceCMYK ] {1 0.56 0 0 4 index mul 4 1 roll"
        b" 4 index mul 4 1 roll 4 index mul 4 1 roll 4 index mul 4 1 roll 5 -1 roll pop}] setcolorspace} def end",
        b"!TeXDict begin /color2{[ /Separation (Red) [ /DeviceRGB ] {0.9 0.1 0.1 2 index mul 2 1 roll 2 index mul"
        b" 2 1 roll 3 -1 roll pop}] setcolorspace} def end",
        b"color push separation color1 0.5",
        b"color push separation color2 1.0",
        b"background separation color1 0.2",
        b"color pop",
        b"color pop",
    )
    write("specials", "ps-separations.seq", SEPARATOR.join(separations))


# --- font files: the selector byte of FontFileKind.h, then the file

TFM, OFM, VF_KSTEST, VF_KSVIRT, VF_PTMR7T, VF_CMR10 = range(6)


def make_fontfiles():
    metrics = os.path.join(DATA, "metrics")
    for name in ("kstest.tfm", "ttfdesc.tfm", "empty.tfm", "ksvirt.tfm"):
        write("fontfiles", name, bytes([TFM]) + read(os.path.join(metrics, name)))
    for name in ("kslevel0.ofm", "kslevel1.ofm"):
        write("fontfiles", name, bytes([OFM]) + read(os.path.join(metrics, name)))
    write("fontfiles", "ksvirt.vf", bytes([VF_KSVIRT]) + read(os.path.join(metrics, "ksvirt.vf")))
    write("fontfiles", "cmr10.tfm", bytes([TFM]) + read(kpsewhich("cmr10.tfm")))
    # pTeX's JFMs: a horizontal one with its glue/kern program, a vertical one.
    for name in ("jis.tfm", "tmin10.tfm"):
        write("fontfiles", name, bytes([TFM]) + read(kpsewhich(name)))
    write("fontfiles", "ptmr7t.vf", bytes([VF_PTMR7T]) + read(kpsewhich("ptmr7t.vf")))


# --- font maps

def make_fontmaps():
    lines = read(kpsewhich("pdftex.map")).split(b"\n")
    # Entries of every shape the map has: re-encoded, slanted, extended, bare.
    wanted = [b"cmr10 ", b"ptmr8r ", b"ptmro8r ", b"ptmr8rn ", b"psyr ", b"pzdr ", b"ec-lmr10 ", b"cmbx12 "]
    excerpt = [l for l in lines if l.startswith(b"%")][:3]
    for w in wanted:
        excerpt += [l for l in lines if l.startswith(w)][:1]
    write("fontmaps", "pdftex.map", b"\n".join(excerpt) + b"\n")
    write("fontmaps", "8r.enc", read(kpsewhich("8r.enc")))
    write("fontmaps", "cm-super-t1.enc", read(kpsewhich("cm-super-t1.enc")))
    write("fontmaps", "ksdvi.map",
          b"cmr10 { fontname = 'DejaVu Serif', subsname = 'Liberation Serif', height = '0.75',\n"
          b"  averagewidth = '0.4', vadjustment = '-0.1', italic = 'false', bold = 'true', encoding = 'ot1' }\n"
          b"\"cmti10\" { fontname = \"CMTI10\", encoding = 'mswinsymbol-unicode', slant = 'true', weight = '300' }\n"
          b"ptmr8r { fontname = 'NimbusRomNo9L-Regu', encfile = '8r.enc', fontfile = 'utmr8a.pfb',\n"
          b"  slantfont = '0.167', extendfont = '0.82' }\n"
          b"wkgt { fontname = 'Gothic', dbcfontname = 'Batang', dbcheight = '0.9', dbcaveragewidth = '0.45',\n"
          b"  dbcvadjustment = '0.1', dbcitalic = 'true', dbcslant = 'false', dbcbold = 'true', dbcweight = '500',\n"
          b"  encoding = 'hlatex' }\n")


# --- a placeable metafile: a box, a line, text and a small DIB

def make_pictures():
    records = []

    def record(function, words=(), extra=b""):
        params = b"".join(struct.pack("<h" if w < 0 else "<H", w) for w in words) + extra
        if len(params) % 2:
            params += b"\0"
        records.append(struct.pack("<IH", 3 + len(params) // 2, function) + params)

    record(0x020B, (0, 0))        # SETWINDOWORG y x
    record(0x020C, (100, 100))    # SETWINDOWEXT
    record(0x02FC, (0, 0xFF, 0x00, 0))  # CREATEBRUSHINDIRECT solid red
    record(0x012D, (0,))          # SELECTOBJECT
    record(0x02FA, (0, 2, 0, 0xFF00, 0x00))  # CREATEPENINDIRECT solid, width 2, green
    record(0x012D, (1,))
    record(0x041B, (60, 60, 10, 10))  # RECTANGLE bottom right top left
    record(0x0418, (90, 90, 70, 70))  # ELLIPSE
    record(0x0214, (80, 10))      # MOVETO y x
    record(0x0213, (80, 90))      # LINETO
    record(0x0209, (0xFF, 0))     # SETTEXTCOLOR
    record(0x0521, (2,), b"Hi" + struct.pack("<hh", 40, 20))  # TEXTOUT count, text, y, x
    dib = struct.pack("<IiiHHIIiiII", 40, 2, 1, 1, 24, 0, 0, 0, 0, 0, 0) + bytes([0, 255, 0, 0, 0, 0, 0, 0])
    record(0x0F43, (0x0020, 0x00CC, 0, 1, 2, 0, 0, 10, 20, 70, 70), dib)  # STRETCHDIB
    record(0x01F0, (0,))          # DELETEOBJECT
    record(0x0000)                # EOF
    body = b"".join(records)
    words = (18 + len(body)) // 2
    largest = max(len(r) for r in records) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, words, 2, largest, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1440, 1440, 1440, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack_from("<H", placeable, i)[0]
    placeable += struct.pack("<H", checksum)
    write("pictures", "drawing.wmf", placeable + header + body)


# --- names of files: the flags byte of fuzz_docfiles.cpp, the name, then
# directories allowed; "@" is the root of the target's scratch tree

ALLOW_OUTSIDE, ALLOW_ALLOWED, KPATHSEA = 1, 2, 4
PICTURE, HEADER, TEX = 0x00, 0x10, 0x20


def make_docfiles():
    names = [
        ("fig", 0, b"fig.eps"),
        ("sub", 0, b"sub/a.eps"),
        ("deep", 0, b"sub/deep/../deep/b.pro"),
        ("absolute", 0, b"@/doc/sub/a.eps"),
        ("climbing", 0, b"../outside/secret.eps"),
        ("climbing-allowed", ALLOW_OUTSIDE, b"../outside/secret.eps"),
        ("absolute-outside", ALLOW_ALLOWED, b"@/outside/secret.eps"),
        ("allowed", ALLOW_ALLOWED, b"@/allowed/x.eps"),
        ("allowed-by-name", 0, b"@/allowed/x.eps\n@/allowed"),
        ("link-out", 0, b"secret.eps"),
        ("link-dir-out", 0, b"out/secret.eps"),
        ("link-inside", 0, b"inside.eps"),
        ("link-loop", 0, b"loop.eps"),
        ("fifo", 0, b"fifo.eps"),
        ("fifo-link", ALLOW_OUTSIDE, b"pipe.eps"),
        ("directory", 0, b"dir.eps"),
        ("installed-header", KPATHSEA | HEADER, b"tex.pro"),
        ("installed-tex", KPATHSEA | TEX, b"plain.tex"),
        ("kpathsea-climbing", KPATHSEA | HEADER, b"../../../../../../../etc/passwd"),
        ("kpathsea-home", KPATHSEA | PICTURE, b"~/.profile"),
        ("kpathsea-variable", KPATHSEA | PICTURE, b"$HOME/.profile"),
        ("system", 0, b"/etc/passwd\n/etc"),
    ]
    for name, flags, text in names:
        write("docfiles", name, bytes([flags]) + text)


# --- PostScript transformations, in the specials' sequence form

def make_pstransforms():
    rotate = (b"ps:gsave currentpoint currentpoint translate 90 neg rotate neg exch neg exch translate",
              b"ps:currentpoint grestore moveto")
    scale = (b"ps:gsave currentpoint currentpoint translate 2 1.5 scale neg exch neg exch translate",
             b"ps:currentpoint grestore moveto")
    seeds = {
        "rotate": rotate,
        "scale": scale,
        "nested": (rotate[0], scale[0], scale[1], rotate[1]),
        "resolution": (b"ps::[begin] Resolution 72 div VResolution 72 div scale",
                       b"ps::[end] 72 Resolution div 72 VResolution div scale"),
        "stack": (b"ps::1 2 exch sub dup add 3 mul 4 div neg pop newpath 10 20 moveto 5 5 rmoveto",),
        "comment": (b"ps:gsave % a comment\n45 rotate", b"ps:grestore grestore"),
        "edges": (b"ps::1e308 1e308 scale", b"ps::1e-308 4.9e-324 scale 0 0 translate",
                  b"ps::1e308 dup mul", b"ps::1 0 div"),
        "opacity": (b"ps:: 1. revision 952 gt { .setstrokeconstantalpha }{ .setopacityalpha } ifelse fill",
                    b"ps:: 0.5 .pgfsetfillopacityalpha {.setopacityalpha}"),
    }
    for name, specials in seeds.items():
        write("pstransforms", name + ".seq", SEPARATOR.join(specials))


# --- source places: the text after "src:"

def make_srcspecials():
    seeds = {
        "line-file": b"12 main.tex",
        "line-file-at-once": b"12main.tex",
        "line-column-file": b"12:7 ./chapters/one.tex",
        "line-alone": b"40",
        "absolute": b"3 /home/me/paper/a b.tex",
        "largest-line": b"2147483647 x.tex",
        "past-largest": b"2147483648:2147483648 x.tex",
        "control": b"3 a\x01b.tex",
    }
    for name, text in seeds.items():
        write("srcspecials", name, text)


make_specials()
make_pdf_specials()
make_fontfiles()
make_fontmaps()
make_pictures()
make_docfiles()
make_pstransforms()
make_srcspecials()
