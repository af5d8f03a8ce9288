#!/usr/bin/env python3
"""The decoder against Python's html.unescape.

Usage: decoder_unescape.py PATH_TO_zezu-convert

The decoder must give what html.unescape gives for each reference that ends
with ";" and leave everything else as it is, except where DIFFERENCES says
otherwise; each listed difference is asserted to differ as it says. Decoding
in pieces must give what decoding whole does. Inputs come from a fixed seed.
"""

import html
import os
import html.entities
import random
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), 'support'))
import zezu_cli  # noqa: E402

sys.set_int_max_str_digits(0)  # html.unescape reads numbers of thousands of digits

# (input, the decoder's output, html.unescape's output): on purpose.
DIFFERENCES = [
    ('&nbsp;', ' ', '\xa0'),  # the converter writes a space as &nbsp;
    # Without ";" nothing is a reference; Python reads some names and numbers.
    ('&amp', '&amp', '&'), ('&lt', '&lt', '<'), ('&nbsp', '&nbsp', '\xa0'),
    ('&ampx;', '&ampx;', '&x;'), ('&notit;', '&notit;', '\xacit;'),
    ('&copy2024', '&copy2024', '\xa92024'), ('&#65', '&#65', 'A'), ('&#x41', '&#x41', 'A'),
    ('&#65x;', '&#65x;', 'Ax;'), ('&#0 ', '&#0 ', '\ufffd '), ('&#128', '&#128', '\u20ac'),
]
# Every other name Python reads without ";" as well.
DIFFERENCES += [('&' + name + ' ', '&' + name + ' ', value + ' ')
                for name, value in html.entities.html5.items() if not name.endswith(';')]

STRICT = re.compile(r'&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z0-9]+);')


def number(ref):
    """The number of a numeric reference, and its digits past leading zeros."""
    digits = ref[3:-1] if ref[2] in 'xX' else ref[2:-1]
    return int(digits, 16 if ref[2] in 'xX' else 10), len(digits.lstrip('0'))


def unescape(ref):
    """html.unescape of one reference with ";", but for two choices: the
    numbers the current HTML standard keeps, where Python's older rule drops
    them (controls, noncharacters), are their code points; a number of more
    than 8192 digits past its leading zeros is no reference."""
    if ref[1] == '#':
        value, digits = number(ref)
        if digits > 8192:
            return ref
        if value in html._invalid_codepoints and value not in html._invalid_charrefs:
            return chr(value)
    return html.unescape(ref)


def expected(text):
    """unescape on each reference with ";", and &nbsp; a space."""
    def one(match):
        ref = match.group(0)
        if ref == '&nbsp;':
            return ' '
        if ref[1] == '#' or match.group(1) + ';' in html.entities.html5:
            return unescape(ref)
        return ref
    return STRICT.sub(one, text)


def run(cli, text):
    return zezu_cli.run(cli, text, '--decode')


def compare(name, got, want):
    if got == want:
        return True
    at = next((i for i, (x, y) in enumerate(zip(got, want)) if x != y), min(len(got), len(want)))
    print(f'{name}: differs at {at} (lengths {len(got)}, expected {len(want)})')
    print(f'  got      {ascii(got[max(0, at - 30):at + 30])}')
    print(f'  expected {ascii(want[max(0, at - 30):at + 30])}')
    return False


def numbers():
    refs = []
    for value in range(0x110000 + 5):
        refs.append(f'&#{value};' if value % 2 else f'&#x{value:X};')
        if value < 0x300 or value % 1009 == 0:
            refs += [f'&#{value:07};', f'&#x{value:x};', f'&#X{value:x};']
    for value in (2**31, 2**32 + 65, 2**64 + 0x41, 10**40 + 65):
        refs += [f'&#{value};', f'&#x{value:x};']
    refs += ['&#' + '9' * 5000 + ';', '&#' + '0' * 5000 + '65;', '&#x' + 'f' * 3000 + ';',
             '&#' + '0' * 300000 + '1040;', '&#' + '9' * 8193 + ';', '&#x' + '0' * 9000 + 'f' * 8192 + ';']
    return ''.join(refs)


FRAGMENTS = ['&', '#', ';', 'x', 'X', '0', '1', '65', '1040', 'ffff', 'D800', 'amp', 'lt', 'nbsp',
             'Afr', 'quot', 'no', 'not', 'in', 'ж', ' ', '\n', '\U0001F600', '&amp;', '&#1040;',
             '&nbsp;', '&NotNestedGreaterGreater;', '&#x1D504;', '&#0;', '&#150;']


def mixes(rng):
    return [''.join(rng.choice(FRAGMENTS) for _ in range(rng.randint(1, 60))) for _ in range(3000)]


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    cli = sys.argv[1]
    rng = random.Random(1251)
    ok = True

    names = [name for name in html.entities.html5 if name.endswith(';')]
    assert len(names) == 2125
    text = ''.join('&' + name + rng.choice(' xA1;&\n') for name in names)
    ok &= compare('every named reference', run(cli, text),
                  zezu_cli.through_lines(text.replace('&nbsp;', ' '), html.unescape))
    text = numbers()
    ok &= compare('numeric references', run(cli, text),
                  zezu_cli.through_lines(text, expected))

    inputs = [case for case, _, _ in DIFFERENCES]
    got = run(cli, '\n'.join(inputs)).removesuffix('\n').split('\n')
    for (case, ours, pythons), decoded in zip(DIFFERENCES, got, strict=True):
        if not (decoded == ours and html.unescape(case) == pythons and ours != pythons):
            print(f'difference {ascii(case)}: decoder {ascii(decoded)}, listed {ascii(ours)}, '
                  f'html.unescape {ascii(html.unescape(case))}, listed {ascii(pythons)}')
            ok = False

    text = '\x00'.join(mixes(rng))
    ok &= compare('random mixes', run(cli, text), zezu_cli.through_lines(text, expected))
    # Long enough for the command's pieces, shifted so that they cut elsewhere.
    text = text * 4
    for shift in (1, 2, 7, 64):
        shifted = '\x00' * shift + text
        ok &= compare(f'random mixes in pieces, shifted by {shift}', run(cli, shifted),
                      zezu_cli.through_lines(shifted, expected))

    print('all cases passed' if ok else 'some cases failed')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
