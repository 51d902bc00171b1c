#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small, well-formed or nearly well-formed inputs of every
reader, in the input forms that fuzz_targets.h describes. Japanese text is
Shift_JIS (code page 932), as in the real data; a few seeds repeat the
labels in UTF-8, which is how a fuzz build without the Shift_JIS copies of
the sources (QEL_FUZZ_SHIFT_JIS off) holds the program's literals.
Run it again after changing a seed; the fuzzers add their own finds in the
build directory, not here. Given the directory of a small sample written by
the sample generator (qelsample --records 6 DIR), it also takes that
sample's files as seeds of their readers.
"""
import os
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def sj(text):
    return text.encode("cp932")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- settings -------------------------------------------------------------
put("settings", "typical", sj(
    "# settings\r\nBASEPATH=C:\\out\r\nOUTPATH = book/ # comment\r\nDICPATH=\r\n"
    "SORTCMD=/usr/bin/sort\r\nFIGURE=0\tx\r\nQUICKJUMP=-4\r\nQJITEMS=99999999999\r\n"
    "PRONSYM=\"→\" G1-21 sym\r\nRETSYM=\"\\\"\\\\\"\r\n   \r\n"))
put("settings", "invalid", sj("figure=1\n=value\nOUTPATH\nSOUND\n表=1\nKEY" + "K" * 300 + "=1\n")
    + b"BASEPATH=" + b"a" * 600 + b"\n" + b"X=\x81")
put("settings", "ctrl_z", b"FIGURE=1\r\n\x1aOUTPATH=after\r\n")

# ---- main.txt lines (plain text; the entry point complements it) ----------
ENTRY = (
    "CMT=comment\nRA=1\nRN=123\nEN=cat|cat\nPS=n.\nTR1=<B>a</B> cat\nTRSUB12(3)=sub\n"
    "TRSUB4=a(7)\nOT1=【類語】<HL>dog:124:2</HL>\nOT3SUB=x\nOT6=x\nJ2E2=x\nXYZ=x\nlower=x\n"
    "EX=an example <OBJ>例 <HL>see:0:1:(2)</HL>\nKEYID=\"idiom\"\nID=idiom\nDR=cats\n"
    "IMG=0000 0010\nSND=zz\n\n"
)
put("main_text", "entry", sj(ENTRY))
put("main_text", "no_final_line_end", sj("RA=1\nRN=1\nEN=a|a\nTR1=x"))
put("main_text", "nul_and_cr", b"RA=1\r\nRN=1\x00hidden\nEN=a\x00|b\n\x81\nTR" + b"9" * 40 + b"=x\n")

# ---- inline (flag byte, then a field value) --------------------------------
inline_values = [
    "<B>bold</B> & \"q\" 'a' > <<x <I>i</I><SPO>s</SPO><SUP>1</SUP><SUB>2</SUB><RUBY>r</RUBY>",
    "<G5>AB09</G5>#41#<G9>#41#</G9><G1>#21#</G1>\xa5",
    "<HL>text:123:2</HL> and <HL>more:0:n.:1(2)</HL>",
    "<SC>word</SC>:12:3</HL> after",
    "word:12:3</HL> after",
    "plain</HL>rest",
    "<CMT>comment</CMT>shown<CMT>open",
    "<FONT size=1>x</FONT><FONT>y<XYZ></XYZ>",
    "<HL>outer <HL>inner:1:2</HL>:3:4</HL>",
    "<HL>no close:5:6",
    "<HL>text only</HL>",
    "unclosed <B",
    "表示 <HL>語:7:【類語】</HL>",
]
for i, v in enumerate(inline_values):
    data = v.encode("cp932", errors="strict") if "\xa5" not in v else v.replace("\xa5", "").encode("cp932") + b"\xa5"
    put("inline", "value%02d" % i, bytes([i % 4]) + data)

# ---- resolve (target, line feed, link target specification) ---------------
resolve_seeds = [
    ("123", "n.:1(2)"), ("0", "1:(3)"), ("5", "2:【類語】"), ("7", "◇:[of]"), ("8", "用例"),
    ("9", "\"idiom <B>x</B>\""), ("1", "DR:\"form\""), ("x", "3"), ("1", "null:null:null"),
    ("1", "nul:3"), ("1", "3:【地域的異形】"), ("1", "【地域的】"), ("1", "図"), ("1", "語源"),
    ("1", "成句"), ("1", "v.t.:(2(3):x"), ("12", "<HL>text:12:3:【語法】</HL>"),
]
for i, (t, s) in enumerate(resolve_seeds):
    put("resolve", "link%02d" % i, sj(t + "\n" + s))
put("resolve", "utf8_labels", ("1\n2:【類語】").encode("utf-8"))
put("resolve", "stray_close", sj("\n<SC>word</SC>:12:3</HL>"))

# ---- link_group (hyperlnk.dat) ---------------------------------------------
put("link_group", "groups", sj(
    "     123|HL000001|TR::2::|45|cat|(2)\r\n"
    "     123|HL000002|TRSUB:n.:1:2:|45|cat|(n.:1(2))\r\n"
    "     124|HL000003|KEYID::::an idiom #41#|46|dog|(\"an idiom\")\r\n"
    "     124|HL000004|DR::::cats|46|dog|(DR:\"cats\")\r\n"
    "\r\n"
    "     125|HL000005|TLSUB::::[of]|46|dog|(◇:[of])\r\n"
    "99999999999|HL000006|XYZ:q.:x:-1:|\r\n"
    "no bars at all\r\n"))

# ---- gaiji_table ----------------------------------------------------------
rows = "".join(("@@..@@..@@..@@..@@..@@..@@..@@..\n" if r % 2 else "..@@..@@..@@..@@..@@..@@..@@..@@\n")
               for r in range(16))
put("gaiji_table", "kinds", sj(
    "# table\nCHAR:G1-21:\"!\"\nCHAR:sym:\"a\\\"b\\\\\"\nCHAR:G5-41:H:U+00C1:\n" + rows +
    "CHAR:G99-A5:H:\n" + rows + "CHAR:G0-41:Z:U+3042:\n" + rows + "CHAR:G2-30:Z3:\n" + rows +
    "CHAR:G7-41:\"seven\"\nCHAR:bad:H:U+XYZ:\n" + rows + "CHAR:G1-22:Q\nCHAR:short:H\n@@@@\n@\n"))
put("gaiji_table", "empty_quoted", b'CHAR:G1-21:""\nCHAR:\nCHAR::\nCHAR:G1-21:Z0\n')

# ---- index_words (records after the header) --------------------------------
def record(word, position, second=b"", third=b""):
    return (b"\x01\x02" + bytes([len(word)]) + word + b"\x00\x00" + bytes([len(second)]) + second +
            b"\x00\x00" + struct.pack("<I", position) + b"\x00\x00" + struct.pack("<I", 7) +
            b"\x00" * 8 + bytes([len(third)]) + third)

put("index_words", "records", record(b"cat", 0) + record(b"a-1", 1000, b"x") + record(sj("猫"), 1000, b"", b"t")
    + record(b"dog", 0x7FFFFFFF))
put("index_words", "long_and_cut", record(b"w" * 255, 5, b"s" * 255, b"t" * 255) + record(b"cut", 9)[:-3])

# ---- readme -----------------------------------------------------------------
put("readme", "text", sj("a\r\nb  c   d \nx\r\r\n<&> 全角\n") + b"\x1aafter")
put("readme", "blanks", b"   \n \n\n\r")

# ---- honmon (the book file) -------------------------------------------------
def block(data=b""):
    return data + b"\x00" * (2048 - len(data))

def entry(identifier, start, count):
    return bytes([identifier, 0]) + struct.pack(">II", start, count) + b"\x00" * 6

heading = b"".join(b"\x1f\x09\x00\x02" + b"ab" for _ in range(300))
management = struct.pack(">H", 4) + b"\x00" * 14 + entry(0x03, 2, 1) + entry(0xFF, 3, 1) + entry(0x05, 2, 1) \
    + entry(0x01, 2, 1)
complex_block = struct.pack(">H", 1) + b"\x00" * 14 + bytes([2]) + b"\x00" * 31 + entry(0x07, 4, 1) \
    + entry(0xFF, 3, 1)
last = b"\x00" * 2046 + b"\x1f\x09"
put("honmon", "book", block(management) + block(heading) + block(complex_block) + block(last))
put("honmon", "too_many", block(struct.pack(">H", 200) + b"\x00" * 14 + entry(0x03, 0, 1) + entry(0x0D, 9, 4)))

# ---- link_pass (main.txt as text) ------------------------------------------
put("link_pass", "entry", sj(ENTRY))
put("link_pass", "links", sj(
    "RA=1\nRN=45\nEN=cat|cat\nTR1=<HL>a:123:2</HL><HL>b:0:n.:1(2)</HL><HL>c:x:3</HL>\n"
    "TR2=<SC>w</SC>:12:3</HL><CMT><HL>d:1:2</HL></CMT><HL>e:1</HL>\n"
    "EX=ex <HL>f:1:2</HL> <OBJ>訳 <HL>g:1:2</HL>\nKEY=<HL>h:1:2</HL>\n"))

# ---- body (flag byte, then main.txt as text) ---------------------------------
put("body", "entry_plain", bytes([0x10]) + sj(ENTRY))
put("body", "entry_quick_jump", bytes([0x5C]) + sj(ENTRY + ENTRY.replace("RN=123", "RN=124")))
put("body", "entry_media_mac", bytes([0xF1]) + sj(ENTRY.replace("IMG=0000 0010", "IMG=10,20\nSND=30,40")))

# ---- a generated sample, when one is given -----------------------------------
if len(sys.argv) > 1:
    sample = sys.argv[1]

    def read(*parts):
        with open(os.path.join(sample, *parts), "rb") as f:
            return f.read()

    text = bytes(255 - b for b in read("dic", "main.txt"))
    put("main_text", "sample", text)
    put("link_pass", "sample", text)
    put("body", "sample_all_on", bytes([0xFC]) + text)
    put("body", "sample_pages", bytes([0x14]) + text)
    put("inline", "sample_lines", bytes([3]) + text.replace(b"\n", b" "))
    put("gaiji_table", "sample", read("qelgaiji.tbl"))
    put("index_words", "sample_en", read("dic", "en.dat")[256:])
    put("index_words", "sample_tr", read("dic", "tr.dat")[256:])
    put("readme", "sample", read("dic", "Readme.txt"))
    put("settings", "sample", read("qelconv.ini"))
    put("honmon", "sample", read("book", "qel", "data", "honmon"))
