#!/usr/bin/env python3
"""Round trip of the converter through Python's html.unescape.

Usage: converter_unescape.py PATH_TO_zezu-convert

Unescaping the converter's output must give back the input, except that each
space comes back as U+00A0 (it was written as &nbsp;) and each character that
Python's cp1251 codec cannot encode comes back as unescaping its
xmlcharrefreplace reads it (a noncharacter not at all), but a C1 control,
which is written as "?", and U+0098, the page's byte 0x98, which is kept.
Inputs are generated here from a fixed seed.

Every character outside the page, on every plane, must come out as its
xmlcharrefreplace reference.
"""

import html
import os
import random
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), 'support'))
import zezu_cli  # noqa: E402

RUSSIAN_WORDS = (
    "мороз и солнце день чудесный ещё ты дремлешь друг прелестный пора красавица "
    "проснись открой сомкнуты негой взоры навстречу северной авроры звездою севера "
    "явись вечор ты помнишь вьюга злилась на мутном небе мгла носилась луна как бледное "
    "пятно сквозь тучи мрачные желтела всё её идёт зелёный ёж Ёлка"
).split()
# What the output must never hold as it is: spaces, markup characters, an
# ampersand that starts no reference of ours, and the letters А..я and ё.
BARE = re.compile(r'[ <>"\u0410-\u044f\u0451]|&(?!(?:nbsp|quot|amp|lt|gt|#\d+);)')
ASCII_WORDS = "the quick brown fox jumps over lazy dog it's 42 x=1; y+2".split()
MARKUP = ['<', '>', '&', '"', "'", '&amp;', '&nbsp;', '<b>', '&#1040;']
SPACES = [' ', '  ', '\t', '\r\n', '\n', '\r']
# In Windows-1251 though outside ASCII and Cyrillic А..я.
INSIDE = ['Ё', 'ё', 'Ђ', '€', '№', '™', '«', '»', '—', '–', '…', '\u00a0', '§', 'Ґ', 'ґ', 'ў']
# Not in Windows-1251.
OUTSIDE = ['é', 'ß', 'ä', '中', '文', '\u0098', '\u0460', '\u2603', '\ufffd', 'Ω', '\u00ff']
ASTRAL = ['\U0001F600', '\U0001D11E', '\U00020000', '\U0010FFFF', '\U0001F44D']
CONTROLS = ['\x00', '\x01', '\x7f', '\x1b']


def piece(rng):
    kind = rng.random()
    if kind < 0.35:
        words = rng.choices(RUSSIAN_WORDS, k=rng.randint(1, 12))
        return ' '.join(words) + rng.choice(['.', ',', '!', '?', ''])
    if kind < 0.55:
        return ' '.join(rng.choices(ASCII_WORDS, k=rng.randint(1, 10)))
    if kind < 0.60:
        return rng.choice(MARKUP)
    if kind < 0.65:
        # Long stretches of ASCII without spaces, now and then a markup character.
        return ''.join(rng.choice('<>&"') if rng.random() < 0.08
                       else rng.choice('abcdefghijklmnopqrstuvwxyz0123456789_')
                       for _ in range(rng.randint(1, 40)))
    if kind < 0.75:
        return rng.choice(SPACES)
    if kind < 0.83:
        return rng.choice(INSIDE)
    if kind < 0.91:
        return rng.choice(OUTSIDE)
    if kind < 0.97:
        return rng.choice(ASTRAL)
    return rng.choice(CONTROLS)


def generate(rng, pieces):
    return ''.join(piece(rng) for _ in range(pieces))


def c1_control(ch):
    """Written as "?": no reference carries it. U+0098 is the page's byte 0x98."""
    return '\x80' <= ch <= '\x9f' and ch != '\x98'


def expected_round_trip(text):
    out = []
    for ch in text:  # a Python str iterates by code point: astral is one
        if ch == ' ':
            out.append('\u00a0')
            continue
        if c1_control(ch) or ch == '\x98':
            out.append('?' if c1_control(ch) else ch)
            continue
        try:
            ch.encode('cp1251')
        except UnicodeEncodeError:
            out.append(html.unescape(ch.encode('ascii', 'xmlcharrefreplace').decode()))
            continue
        out.append(ch)
    return ''.join(out)


def first_mismatch(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def show(text, at):
    window = text[max(0, at - 20):at + 20]
    return ascii(window)


def same(name, what, got, want, text=None):
    """True when got is want; otherwise says where they part."""
    if got == want:
        return True
    at = first_mismatch(got, want)
    print(f'{name}: {what} differs at character {at} '
          f'(lengths: got {len(got)}, expected {len(want)})')
    if text is not None:
        print(f'  input    {show(text, at)}')
    print(f'  got      {show(got, at)}')
    print(f'  expected {show(want, at)}')
    return False


def run_case(cli, name, text):
    try:
        output = zezu_cli.run(cli, text)
    except RuntimeError as error:
        print(f'{name}: {error}')
        return False
    # Unescaping cannot tell a bare "<" from "&lt;", so look for bare ones too.
    bare = BARE.search(output)
    if bare:
        print(f'{name}: {ascii(bare.group())} left bare in the output at {bare.start()}: '
              f'{show(output, bare.start())}')
        return False
    return same(name, 'round trip', html.unescape(output),
                zezu_cli.through_lines(text, expected_round_trip), text)


def outside_page():
    """Every character Python's cp1251 cannot encode, plane by plane, but
    the surrogates, which UTF-8 cannot carry."""
    chars = []
    for code in range(0x80, 0x110000):
        if 0xD800 <= code <= 0xDFFF:
            continue
        ch = chr(code)
        try:
            ch.encode('cp1251')
        except UnicodeEncodeError:
            chars.append(ch)
    return ''.join(chars)


def check_every_plane(cli):
    text = outside_page()
    want = ''.join('?' if c1_control(ch) else ch if ch == '\x98'
                   else ch.encode('cp1251', 'xmlcharrefreplace').decode('cp1251')
                   for ch in text) + '\r\n'
    return same('every plane', 'output against xmlcharrefreplace', zezu_cli.run(cli, text), want)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    cli = sys.argv[1]
    rng = random.Random(1251)
    cases = [('empty', ''), ('one space', ' '), ('lone astral', '\U0001F600')]
    cases += [(f'random {i}', generate(rng, rng.randint(1, 60))) for i in range(150)]
    cases.append(('large', generate(rng, 40000)))

    failed = [name for name, text in cases if not run_case(cli, name, text)]
    if not check_every_plane(cli):
        failed.append('every plane')
    if failed:
        print(f'{len(failed)} of {len(cases)} cases failed')
        return 1
    print(f'all {len(cases)} cases passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
