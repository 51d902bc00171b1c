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
sample's files as seeds of their readers; when qelconv has been run in that
directory as well, the book sources it wrote into DIR/src are taken as seeds
of the qelbook readers.
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

# ---- book_html and book_run (an HTML body) ----------------------------------
# book_run's fixed menu and copyright pages define the anchors menu-top and
# c1; fig/ and snd/ hold the files it writes (a.bmp, b.jpg, bad.bmp, a.wav,
# list.wav, bad.wav). A link to a missing anchor makes the writer read the
# sources a second time: "entries" has one, "links_resolved" none.
BOOK_BODY = (
    '<html>\r\n<head>\r\n<meta http-equiv="Content-Type" content="text/html; charset=x-sjis">\r\n'
    "<title>見本</title>\r\n<style>p { x: <b> }</style>\r\n</head>\r\n<body>\r\n"
    "<!-- entries -->\r\n<dl>\r\n"
    '<a name="HL000001"></a>\r\n'
    '<dt id="e1">caf&#x00E9;<sup>1</sup></dt>\r\n'
    '<key title="caf&#x00E9;" type="前方表記">ｃａｆｅ</key>\r\n'
    '<key title="caf&#x00E9;" type="後方表記">ｃａｆ&#x00E9;</key>\r\n'
    '<key type="条件">喫茶店</key>\r\n'
    '<key type="条件">カフェ</key>\r\n'
    '<key type="前方表記">ｃａｆｅ　・‐’−</key>\r\n'
    "<dd><p>\r\n/k&#x00E6;&#x02C8;fe&#x026A;/ &#xE000; &#x3042;<br>\r\n"
    "&#x1f09;&#x00;&#x02;━名詞 <i>n.</i><br>\r\n"
    '&#x1f09;&#x00;&#x02;喫茶店（→<a href="#e2"><b>tea</b></a>）（⇒<a href="#missing">なし</a>）'
    '（<a href="#fig-b">写真</a>）<br>\r\n'
    '<img src="fig/a.bmp" alt="店の図"> <img src="fig/b.jpg" id="fig-b"> <img src="fig/nothing.bmp" alt="ない図"><br>\r\n'
    '<a href="snd/a.wav">&#xE000;</a> <a href="snd/list.wav">音</a> <a href="snd/gone.wav">音</a>\r\n'
    "<dfn>&#x1f09;&#x00;&#x03;A caf&eacute; &amp; a tea&nbsp;room.</dfn> 喫茶店と茶室。\r\n"
    "</p></dd>\r\n"
    '<dt id="e2">tea</dt>\r\n'
    '<key title="tea" type="前方表記">ｔｅａ</key>\r\n'
    '<key title="<b>tea</b> (n.)" type="後方表記">ｔｅａ</key>\r\n'
    '<key type="ほか">ｔｅａ</key>\r\n'
    '<dd><p>&#x1f09;&#x00;&#x02;茶<br><a href="#e1">↑</a> <a href="qel.html#HL000001">用例</a>'
    "&#x1f0a;行&#x1f02;&#x1f03;</p></dd>\r\n"
    "</dl>\r\n</body>\r\n</html>\r\n"
)
put("book_html", "body", sj(BOOK_BODY))
put("book_run", "entries", sj(BOOK_BODY))
BOOK_MALFORMED = (
    "<p>< b>not a tag</b> a<b &lt;x&gt; <a href='single' name=unquoted checked/>x</a>\n"
    '<a href="open\n<!-- a comment\nover lines --><?pi ?><!DOCTYPE html></>stray</p></dd></key>\n'
    '<dt id="e1">one<dt id="e1">two<key type="条件">in<b>side</key><h2>head<key type="条件">k</h2>\n'
    "<dt><a href=\"#e1\"><img src=\"fig/a.bmp\" alt=\"h\"></a><key>no type</key><br>after\n"
    + "<b><i><sup><sub><nobr>" * 4 + "deep" + "</b>" * 3 + "\n"
    "&#1; &#x1f09;&#x41; &#x1f09;&#x00; &#x1f0b; &#x7f; &#; &#x; &#xD800; &#x110000; &#99999999999; "
    "&unknown; &amp &AMP; &#X41; &#65; \t\x01\n"
    '<img src="../outside.bmp"><img src="/abs.bmp"><img src="c:x.bmp"><img src="fig/bad.bmp">'
    '<img src="qel.html"><a href="snd/bad.wav">s</a><a href="snd\\a.wav">s</a><a href="snd/a.wav">again</a>'
    '<a href="x.WAV">up</a><a name="only">n</a><a>plain</a>\n'
    "<dl><dt>last<dd>unclosed <b>bold"
)
put("book_html", "malformed", sj(BOOK_MALFORMED) + b"\x81")
put("book_run", "malformed", sj(BOOK_MALFORMED) + b"\x81")
put("book_html", "ctrl_z_and_bytes", sj("<p>前\r\n") + b"\x82\xa0\xa5\xfd\xfe\xff&#x41;\x1a<p>after the end</p>")
put("book_run", "keys_only", sj('<key type="前方表記">ｋｅｙ</key><key title="t" type="条件">ｋ</key>'
                                 '<key type="後方表記"></key><key type="前方表記">' + "長" * 200 + "</key>"
                                 "<a name=\"e1\"></a><a name=\"HL000001\">x</a>"))
put("book_run", "empty", b"")
put("book_run", "links_resolved", sj(
    '<dl>\n<dt id="a1">one</dt><key type="前方表記">ｏｎｅ</key>\n'
    '<dd><a href="#a2">→two</a> <a href="#c1">著作権</a> <a href="qel.html#menu-top">索引</a> '
    '<a href="#fig">図</a> <a href="snd/a.wav">音</a></dd>\n'
    '<dt id="a2">two</dt><key type="後方表記">ｔｗｏ</key><key type="条件">二</key>\n'
    '<dd><a href="#a1">←one</a> <img src="fig/b.jpg" id="fig" alt="写真"> <a name="end"></a></dd>\n</dl>\n'))

# Bodies from 64 KiB on are read in two halves at once and joined: links
# across the middle both ways, the same figures and sounds named in both
# halves, keys of every type in both; once with every link leading somewhere
# (the halves make the book) and once with a link to a missing anchor at the
# end (the sources are read again, whole).
def halves_body(dead_link):
    lines = ["<html><body><dl>\n"]
    count = 460
    for i in range(count):
        other = (i + count // 2) % count
        media = ""
        if i % 50 == 0:
            media = ' <img src="fig/a.bmp" alt="図"> <a href="snd/a.wav">音</a>'
        if i % 50 == 25:
            media = ' <img src="fig/b.jpg"> <a href="snd/list.wav">音</a>' if i < count // 2 else ' <a href="snd/a.wav">音</a>'
        lines.append('<dt id="h%d">word%d</dt>\n<key type="前方表記">ｗｏｒｄ%d</key><key type="後方表記">ｗ%d</key>'
                     '<key type="条件">語%d</key>\n<dd><p>see <a href="#h%d">word%d</a>%s</p></dd>\n'
                     % (i, i, i, i, i, other, other, media))
    if dead_link:
        lines.append('<p><a href="#gone">gone</a></p>\n')
    lines.append("</dl></body></html>\n")
    return sj("".join(lines))

put("book_run", "halves", halves_body(False))
put("book_run", "halves_read_again", halves_body(True))

# ---- book_project (qel.ebs) ----------------------------------------------
EBS = (
    "InPath=src\\\r\nOutPath=book\\\r\nGaijiFile=$(BASE)\\qelgfont.xml\r\nGaijiMapFile=$(BASE)\\qelgmap.xml\r\n"
    "WordSearchHyoki=1\r\nEndWordSearchHyoki=0\r\nKeywordSearch=1\r\nComplexSearch=1\r\nDTTagIndex=1\r\n"
    "delBlank=0\r\ndelSym=-1\r\n"
    "Book=見本英和辞典;QEL;英和辞典;$(BASE)\\qelcopr.html;$(BASE)/qelcmpl.xml;GAI16H00;GAI16F00;_;_;_;_;_;_;\r\n"
    "Source=$(BASE)\\qel.html;本文;_;HTML;\r\nSource=$(BASE)qelmenu1.html;図版;_;HTML;\r\n"
    "Source=menu\\表.html;表;_;HTML;\r\n"
)
put("book_project", "typical", sj(EBS))
put("book_project", "kinds_and_blanks", sj(
    "Book=国語;Q_1;一般書物;_;;_;_\nSource=a.html\n\nBook=類語;x;未知の種別;;;;\nSource=;\nSource=b.html;;\n"))
for i, line in enumerate([
        "Book=t;../x;英和辞典;_;_;_;_",          # a directory that leads out
        "Book=t;TOOLONGNAME;英和辞典;_;_;_;_",   # more than 8 characters
        "Book=t;;英和辞典;_;_;_;_",              # no directory
        "Book=t;QEL;英和辞典;_;_;G/1;_",         # a font name that is a path
        "Book=t;QEL;英和辞典;_;_",               # too few fields
        "Book=表;QEL;表;_;_;_;_",                # ";" after a two-byte character
]):
    put("book_project", "fault%02d" % i, sj(line + "\r\nSource=$(BASE)\\qel.html;本文\r\n"))
put("book_project", "no_book", sj("Source=qel.html\r\n"))
put("book_project", "no_source", sj("Book=t;QEL;英和辞典;_;_;_;_\r\nSource=\r\n"))
put("book_project", "long_line", b"Book=" + b"t" * 3000 + b";QEL;k;_;_;_;_\rSource=" + b"s" * 2000 + b"\n\x00=\n")

# ---- book_gaiji (a selector byte, then the map or the font file) -----------
def glyph(code, width, seed=0, rows=16, text=None):
    body = "".join("".join("#" if (x + r + seed) % 3 == 0 else " " for x in range(width)) + "\n"
                   for r in range(rows))
    return '<fontData ebcode="%s" unicode="#x00E9">\n%s</fontData>\n' % (code, text if text is not None else body)

XML_HEAD = '<?xml version="1.0" encoding="Shift_JIS"?>\n'
put("book_gaiji", "map_typical", b"\x00" + sj(
    XML_HEAD + "<gaijiSet>\n" + "".join('<gaijiMap unicode="#x%04X" ebcode="A1%02X"/>\n' % (cp, 0x21 + i)
                                        for i, cp in enumerate([0xE9, 0xB7, 0xE000, 0x10FFFF, 0xE9])) +
    '<gaijiMap unicode="#x3042" ebcode="A321"/><gaijiMap unicode="#x0" ebcode="FE7E"/>\n</gaijiSet>\n'))
put("book_gaiji", "map_faults", b"\x02" + sj(
    XML_HEAD + "<gaijiSet>\n"
    '<gaijiMap unicode="#x110000" ebcode="A121"/>\n<gaijiMap unicode="#x" ebcode="A121"/>\n'
    '<gaijiMap unicode="#x000000041" ebcode="A121"/>\n<gaijiMap unicode="E9" ebcode="A121"/>\n'
    '<gaijiMap unicode="#x00E9" ebcode="A120"/>\n<gaijiMap unicode="#x00E9" ebcode="A17F"/>\n'
    '<gaijiMap unicode="#x00E9" ebcode="FF21"/>\n<gaijiMap unicode="#x00E9" ebcode="a1b2"/>\n'
    '<gaijiMap ebcode="A121"/>\n<gaijiMap unicode=\'#x41\' ebcode="A121"/>\n<other/>\n'
    'text <gaijiMap unicode="#x41" ebcode="A121"/>\n<gaijiMap unicode="#x41" ebcode="A121"\n'
    '<gaijiMap unicode="#x42" ebcode="A122"/>   \r\n') + b'<gaijiMap unicode="#x43"\x00 ebcode="A123"/>\n' +
    b'<gaijiMap unicode="#x44" ebcode="A124"/>' + b" " * 1100 + b"\n")
put("book_gaiji", "map_no_root", b"\x00" + sj('<gaijiMap unicode="#x00E9" ebcode="A121"/>\n'))
put("book_gaiji", "font_typical", b"\x01" + sj(
    XML_HEAD + '<gaijiData xml:space="preserve">\n<fontSet size="8X16" start="A121">\n' +
    glyph("A121", 8) + glyph("A123", 8, 1) + glyph("A122", 8, 2) +
    '</fontSet>\n<fontSet size="16x16" start="A221">\n' + glyph("A221", 16) + glyph("A321", 16, 1) +
    "</fontSet>\n</gaijiData>\n"))
put("book_gaiji", "font_faults", b"\x03" + sj(
    XML_HEAD + "<gaijiData>\n" + glyph("A121", 8) + '<fontSet size="8X16" start="A122">\n' +
    glyph("A121", 8) + glyph("A122", 8, rows=15) + glyph("A123", 8, rows=17) + glyph("A124", 7) +
    glyph("A125", 8, text="#..#..#.\n" * 16) + glyph("A126", 8) + glyph("A126", 8, 1) + glyph("A17F", 8) +
    glyph("zz", 8) + '<fontData ebcode="A127"/>\n<fontData ebcode="A128">\n' + "########\n" * 3 +
    '<fontSet size="24X24" start="A121">\n' + glyph("A129", 8) + "</fontSet>\n"
    '<fontSet size="8X16" start="A321">\n' + glyph("A321", 8) + "</fontSet>\n"
    '<fontSet start="A121">\n</fontSet>\n</fontSet>\n</fontData>\n<unknown>\n'
    '<fontSet size="16X16" start="A121"/>\n<fontSet size="16X16">\n' + glyph("A123", 16) +
    "</fontSet>\n</gaijiData>\n"))
put("book_gaiji", "font_end_of_codes", b"\x01" + sj(
    '<gaijiData>\n<fontSet size="8X16" start="FE21">\n' + glyph("FE21", 8) + glyph("FE7E", 8, 1) +
    '</fontSet>\n<fontSet size="16X16" start="FF21">\n</fontSet>\n<fontSet size="16X16" start="FE7C">\n' +
    glyph("FE7C", 16) + glyph("FE7E", 16, 2) + "</fontSet>\n"))
put("book_gaiji", "font_overlap_unclosed", b"\x05" + sj(
    '<gaijiData>\n<fontSet size="8X16" start="A121">\n' + glyph("A121", 8) + glyph("A221", 8) +
    '</fontSet>\n<fontSet size="16X16" start="A125">\n' + glyph("A125", 16) + glyph("A126", 16)[:-12]) +
    b"   \t" + b"#" * 2000 + b"\n")

# ---- book_media (a selector byte, then the file) ---------------------------
def le(value, size):
    return value.to_bytes(size, "little", signed=value < 0)

def bmp(width, height, bits, core=False, cut=0, compression=0, file_size=None):
    header = (le(12, 4) + le(width, 2) + le(height, 2) + le(1, 2) + le(bits, 2)) if core else \
        (le(40, 4) + le(width, 4) + le(height, 4) + le(1, 2) + le(bits, 2) + le(compression, 4) +
         le(0, 4) * 5)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00" * (2 if bits <= 8 else 0)
    row = (abs(width) * bits + 31) // 32 * 4
    pixels = bytes((i * 29) & 0xFF for i in range(row * abs(height)))
    offset = 14 + len(header) + len(palette)
    data = header + palette + pixels
    total = 14 + len(data)
    out = b"BM" + le(file_size if file_size is not None else total, 4) + le(0, 4) + le(offset, 4) + data
    return out[:len(out) - cut]

# An 8x8 grey baseline JPEG written by libjpeg (quality 50, optimised tables).
JPEG = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb004300100b0c0e0c0a100e0d0e1211101318281a18161618"
    "3123251d283a333d3c3933383740485c4e404457453738506d51575f626768673e4d71797064785c656763ffc000"
    "0b080008000801011100ffc40014000100000000000000000000000000000000ffc4001b10000201050000000000"
    "000000000000001112622432428292ffda0008010100003f005915d5472024426094ff00ffd9")

def wave(fmt_tag=1, channels=2, bits=16, extra=b"", data_length=None, samples=16, fmt_size=16, ext_tag=1):
    block = channels * bits // 8
    fmt = le(fmt_tag, 2) + le(channels, 2) + le(11025, 4) + le(11025 * block, 4) + le(block, 2) + le(bits, 2)
    if fmt_size >= 40:
        fmt += le(22, 2) + le(bits, 2) + le(3, 4) + le(ext_tag, 2) + b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"
    data = bytes((i * 7) & 0xFF for i in range(samples))
    chunks = b"fmt " + le(len(fmt), 4) + fmt + extra + b"data" + le(data_length if data_length is not None else len(data), 4) + data
    return b"RIFF" + le(len(chunks) + 4, 4) + b"WAVE" + chunks

put("book_media", "bmp", b"\x00" + bmp(3, 2, 24))
put("book_media", "bmp_core_1bit", b"\x00" + bmp(9, 3, 1, core=True))
put("book_media", "bmp_top_down_8bit", b"\x00" + bmp(4, -4, 8))
put("book_media", "bmp_cut", b"\x00" + bmp(16, 16, 32, cut=40, file_size=0))
put("book_media", "bmp_rle", b"\x00" + bmp(4, 4, 8, compression=1))
put("book_media", "jpeg", b"\x02" + JPEG)
put("book_media", "jpeg_no_end", b"\x00" + JPEG[:-2])
put("book_media", "jpeg_fill_and_restart", b"\x00" + JPEG[:2] + b"\xff\xff\xff\xd0" + JPEG[2:])
put("book_media", "jpeg_no_frame", b"\x00" + JPEG[:20] + b"\xff\xda\x00\x02\x00\xff\xd9")
put("book_media", "wav", b"\x01" + wave())
put("book_media", "wav_list", b"\x01" + wave(channels=1, bits=8, samples=9,
                                             extra=b"LIST" + le(13, 4) + b"INFOICMT" + le(1, 4) + b"x\x00"))
put("book_media", "wav_extensible", b"\x03" + wave(fmt_tag=0xFFFE, fmt_size=40))
put("book_media", "wav_data_cut", b"\x01" + wave(data_length=1000))
put("book_media", "wav_adpcm", b"\x01" + wave(fmt_tag=2))
put("book_media", "wav_no_fmt", b"\x01RIFF\x10\x00\x00\x00WAVEdata\x02\x00\x00\x00ab")

# ---- book_complex (qelcmpl.xml) --------------------------------------------
put("book_complex", "typical", sj(
    XML_HEAD + "<!-- 複合検索定義ファイル -->\n<complex>\n <group name=\"成句・用例検索\">\n" +
    "".join('  <keyword name="単語%s" />\n' % n for n in "１２３") + " </group>\n"
    ' <GROUP NAME="English &amp; caf&#x00E9; &#xE000;">\n  <KEYWORD NAME="word" />\n </GROUP>\n</complex>\n'))
put("book_complex", "limits", sj(
    "<complex>\n" + "".join('<group name="検索%d">\n<keyword name="語%d"/>\n</group>\n' % (i, i) for i in range(11)) +
    '<group name="' + "長い名前" * 10 + '">\n' + "".join('<keyword name="%s"/>\n' % ("項目" * (i + 6)) for i in range(6)) +
    "</group>\n<group name=\"空\"></group>\n<keyword name=\"外\"/>\n"
    "<group name=\"a\"><keyword name=\"b\"/><group name=\"c\"><keyword/><keyword name=\"&#x1f09;&#x00;&#x02;&bogus;\">"
    "</complex>\n"))
put("book_complex", "empty", b"")

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

    # The book sources qelconv wrote into the sample's src/.
    if os.path.isdir(os.path.join(sample, "src")):
        put("book_html", "sample_body", read("src", "qel.html"))
        put("book_html", "sample_menu", read("src", "qelmenu2.html"))
        put("book_html", "sample_copyright", read("src", "qelcopr.html"))
        put("book_run", "sample", read("src", "qel.html"))
        put("book_project", "sample", read("src", "qel.ebs"))
        put("book_gaiji", "sample_map", b"\x00" + read("src", "qelgmap.xml"))
        put("book_gaiji", "sample_font", b"\x01" + read("src", "qelgfont.xml"))
        put("book_complex", "sample", read("src", "qelcmpl.xml"))
