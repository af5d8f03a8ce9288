#!/usr/bin/env python3
"""The convert command's mapping in plain Python, for the command-line
benchmark: Windows-1251 text with CR LF line ends in, references out, in
pieces of 1 MiB through str.translate.

    cli_reference.py IN OUT

CR and CR LF end a line, a lone LF is a character, every line gets CR LF;
space and the markup characters become named references, the Cyrillic letters
А..я and ё decimal ones, the other characters of the page stay, and the
unassigned byte 0x98 (read as U+0098, which the page has no code for) is "?".
"""
import sys


def table():
    named = {' ': '&nbsp;', '"': '&quot;', '&': '&amp;', '<': '&lt;', '>': '&gt;'}
    mapping = {}
    for byte in range(256):
        try:
            char = bytes([byte]).decode('cp1251')
        except UnicodeDecodeError:
            mapping[byte] = '?'
            continue
        code = ord(char)
        if char in named:
            mapping[byte] = named[char]
        elif 0x410 <= code <= 0x44F or code == 0x451:
            mapping[byte] = '&#%d;' % code
        # else: the byte stays itself (the text is read as Latin-1)
    return mapping


def main():
    source, target = sys.argv[1], sys.argv[2]
    mapping = table()
    held = ''
    line_open = False
    with open(source, 'rb') as inp, open(target, 'wb') as out:
        while True:
            piece = inp.read(1 << 20)
            if not piece:
                break
            text = held + piece.decode('latin-1')
            # A CR at the end may have its LF in the next piece.
            held = '\r' if text.endswith('\r') else ''
            if held:
                text = text[:-1]
            text = text.replace('\r\n', '\r').replace('\r', '\r\n')
            if text:
                line_open = not text.endswith('\r\n')
            out.write(text.translate(mapping).encode('latin-1'))
        if held or line_open:
            out.write(b'\r\n')


if __name__ == '__main__':
    main()
