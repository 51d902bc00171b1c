#!/usr/bin/env python3
"""Copies a UTF-8 C++ source file with every non-ASCII character inside a
string literal written as the \\x escapes of its Shift_JIS (code page 932)
bytes: "語" becomes "\\x8C\\xEA". g++ stores such literals as Shift_JIS by
itself (-fexec-charset=CP932); clang cannot, so the fuzz build compiles these
copies and its programs hold the same bytes as the real ones.

An escape run followed by a hexadecimal digit ends the literal and opens the
next one ("\\x8C\\xEA" "a"), since the digit would otherwise extend the
escape. Comments and everything outside literals are copied unchanged.

usage: sjis_literals.py INPUT OUTPUT
"""
import sys

HEX = set("0123456789abcdefABCDEF")


def convert(text):
    out = []
    i, n = 0, len(text)
    state = "code"
    escaped = False  # the last thing written into the current literal is an escape
    while i < n:
        c = text[i]
        if state == "code":
            if text.startswith("//", i):
                end = text.find("\n", i)
                end = n if end < 0 else end
                out.append(text[i:end])
                i = end
                continue
            if text.startswith("/*", i):
                end = text.find("*/", i + 2)
                end = n if end < 0 else end + 2
                out.append(text[i:end])
                i = end
                continue
            if c == '"':
                state, escaped = "string", False
            elif c == "'":
                state = "char"
            out.append(c)
            i += 1
        elif state == "string":
            if c == "\\":
                out.append(text[i:i + 2])
                i += 2
                escaped = False
                continue
            if c == '"':
                state = "code"
                out.append(c)
            elif ord(c) >= 0x80:
                out.append("".join("\\x%02X" % b for b in c.encode("cp932")))
                escaped = True
                i += 1
                continue
            else:
                if escaped and c in HEX:
                    out.append('" "')
                out.append(c)
            escaped = False
            i += 1
        else:  # char literal
            if c == "\\":
                out.append(text[i:i + 2])
                i += 2
                continue
            if c == "'":
                state = "code"
            out.append(c)
            i += 1
    return "".join(out)


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    converted = convert(text)
    with open(target, "w", encoding="utf-8", newline="") as f:
        f.write(converted)


if __name__ == "__main__":
    main()
