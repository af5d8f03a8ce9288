"""Running zezu-convert on UTF-8 text, and what its line rule makes of a text.

The command reads its input's lines as the editor does and writes them back
as it found them, so a reference check that compares its output with Python's
own must apply the same rule to what it expects: with no CR in the input an
LF ends a line; otherwise CR and CR LF do, and a lone LF is a character; a
last line without a break gets one.
"""

import re
import subprocess


def run(cli, text, *args):
    result = subprocess.run([cli, '--from', 'utf-8', '--to', 'utf-8', *args],
                            input=text.encode('utf-8'), capture_output=True, check=False)
    if result.returncode != 0:
        raise RuntimeError(f'{cli} {" ".join(args)} exited with {result.returncode}: '
                           f'{result.stderr.decode(errors="replace")}')
    return result.stdout.decode('utf-8')


def through_lines(text, transform):
    """transform applied to the text as the command holds it, written back."""
    lf_file = '\r' not in text and '\n' in text
    held = text.replace('\n', '\r\n') if lf_file else re.sub(r'\r\n?', '\r\n', text)
    if held and not held.endswith('\r\n'):
        held += '\r\n'
    out = transform(held)
    return out.replace('\r\n', '\n') if lf_file else out
