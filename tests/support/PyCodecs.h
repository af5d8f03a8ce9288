#pragma once

// Python's codecs as an independent account of decoding and encoding text
// files: what a file's bytes read as in the editor's text, and what bytes a
// text is saved as. One python3 process answers a whole batch.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#ifndef ZEZU_PYTHON
#define ZEZU_PYTHON "python3"
#endif

namespace zezu::test {

// Each request is one line: OP CODEC LINES HEX.
//  decode: the bytes read with CODEC (errors become U+FFFD, but UTF-8's
//          each an escape of the byte: surrogateescape, as is the last byte
//          of UTF-16 cut short inside a unit), then the line
//          rule: with LINES "crlf" a line ends at CR LF or CR, with "lf" at
//          LF too; every line is followed by CR LF. Answers UTF-16LE.
//  encode, encode-bom: the text (UTF-16LE, lone surrogates allowed) with each
//          CR LF written as LF when LINES is "lf", lone surrogates as U+FFFD
//          (but UTF-8's escapes of bytes, U+DC00..U+DCFF), encoded with CODEC ("?" for what
//          it lacks), after its mark.
inline const char *pyCodecsScript()
{
    return R"(import sys, re, codecs
def cut_short(e):
    # UTF-16 cut inside its last unit: that byte escaped, a high surrogate before it U+FFFD.
    if isinstance(e, UnicodeDecodeError) and e.end == len(e.object) and (e.end - e.start) % 2:
        return ('\ufffd' * ((e.end - e.start) // 2) + chr(0xDC00 + e.object[-1]), e.end)
    return ('\ufffd', e.end)
codecs.register_error('cut-short', cut_short)
marks = {'utf-8': codecs.BOM_UTF8, 'utf-16-le': codecs.BOM_UTF16_LE,
         'utf-16-be': codecs.BOM_UTF16_BE}
out = []
for request in sys.stdin.read().split('\n'):
    if not request:
        continue
    op, codec, lines, data = request.split(' ')
    raw = bytes.fromhex(data)
    if op == 'decode':
        s = raw.decode(codec, 'surrogateescape' if codec.startswith('utf-8') else 'cut-short')
        parts = re.split('\r\n|\r|\n' if lines == 'lf' else '\r\n|\r', s)
        last = parts.pop()
        s = ''.join(p + '\r\n' for p in parts) + (last + '\r\n' if last else '')
        out.append(s.encode('utf-16-le', 'surrogatepass').hex())
    else:
        s = raw.decode('utf-16-le', 'surrogatepass')
        if lines == 'lf':
            s = s.replace('\r\n', '\n')
        utf8 = codec == 'utf-8'
        s = re.sub('[\ud800-\udbff\udd00-\udfff]' if utf8 else '[\ud800-\udfff]', '\ufffd', s)
        if utf8:
            s = re.sub('[\udc00-\udc7f]', lambda m: chr(ord(m.group()) - 0xDC00), s)
        mark = marks[codec] if op == 'encode-bom' else b''
        out.append((mark + s.encode(codec, 'surrogateescape' if utf8 else 'replace')).hex())
sys.stdout.write('\n'.join(out) + '\n')
)";
}

struct PyRequest
{
    const char *op;
    const char *codec;
    const char *lines;
    QByteArray data;
};

// The answers in order, as raw bytes; nullopt when python3 cannot be run.
inline std::optional<std::vector<QByteArray>> runPyCodecs(const std::vector<PyRequest> &requests)
{
    QByteArray input;
    for (const PyRequest &r : requests)
        input += QByteArray(r.op) + ' ' + r.codec + ' ' + r.lines + ' ' + r.data.toHex() + '\n';
    QProcess python;
    python.start(QStringLiteral(ZEZU_PYTHON),
                 QStringList{QStringLiteral("-c"), QString::fromUtf8(pyCodecsScript())});
    if (!python.waitForStarted())
        return std::nullopt;
    python.write(input);
    python.closeWriteChannel();
    if (!python.waitForFinished(120000) || python.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> lines = python.readAllStandardOutput().split('\n');
    if (lines.size() < qsizetype(requests.size()))
        return std::nullopt;
    std::vector<QByteArray> answers;
    for (qsizetype i = 0; i < qsizetype(requests.size()); ++i)
        answers.push_back(QByteArray::fromHex(lines[i]));
    return answers;
}

inline QByteArray utf16le(QStringView text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

inline QString fromUtf16le(const QByteArray &bytes)
{
    // Not QString::fromUtf16, which would take a leading U+FEFF for a mark.
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

} // namespace zezu::test
