#pragma once

// Real Russian prose in Windows-1251, to show what detection makes of text
// people actually write: the texts of the fortunes-ru package (UTF-8), each
// line converted with glibc's iconv. A line holding a character the page
// cannot hold is left out rather than altered.

#include "support/Codecs.h"
#include "text/TextFormat.h"
#include "support/Iconv.h"
#include "support/TextFormats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace zezu::test {

inline const QString kFortunesRu = QStringLiteral("/usr/share/games/fortunes/ru");

struct Corpus
{
    QByteArray bytes;
    int files = 0;
    qsizetype lines = 0;
    qsizetype linesLeftOut = 0;
};

// nullopt when the package's texts are not there.
inline std::optional<Corpus> russianCorpus1251(const QString &folder = kFortunesRu)
{
    // The texts are the files without an extension; .dat are their indexes
    // and .u8 links to the same texts.
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    Iconv toPage("WINDOWS-1251", "UTF-8");
    Corpus corpus;
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() || entry.fileName().endsWith(QLatin1String(".dat")))
            continue;
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        ++corpus.files;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const auto converted = toPage.convert(line + '\n');
            ++corpus.lines;
            if (converted)
                corpus.bytes += *converted;
            else
                ++corpus.linesLeftOut;
        }
    }
    if (corpus.files == 0 || corpus.bytes.isEmpty())
        return std::nullopt;
    return corpus;
}

struct CorpusScan
{
    qint64 pieces = 0;            // detectFormat on every short piece
    qint64 utf8 = 0;              // of them taken for UTF-8
    qint64 marked = 0;            // told by a UTF-16 mark
    qint64 markedOffsets = 0;     // where those pieces begin
    qint64 markedAtWordStart = 0; // of them opening a word, as a file would
    qint64 allPieces = 0;         // every length, by the resumable check
    qint64 allUtf8 = 0;
    qint64 allOneSequence = 0;    // valid UTF-8 with one multi-byte sequence
    qint64 mostSequences = 0;     // in one valid piece
    qint64 mostlySequences = 0;   // in a piece short of too many strays
};

inline bool isLetter1251(std::uint8_t b)
{
    return b >= 0xC0 || b == 0xA8 || b == 0xB8 || unsigned((b | 0x20) - 'a') < 26u;
}

// Every piece of up to maxLength bytes at every offset through detectFormat;
// then every piece of any length: from each offset the resumable check is fed
// a byte at a time until it has more strays than mostly UTF-8 allows, after
// which no longer piece from there can be UTF-8.
inline CorpusScan scanCorpus(const QByteArray &bytes, qsizetype maxLength)
{
    CorpusScan scan;
    const qsizetype n = bytes.size();
    for (qsizetype at = 0; at < n; ++at) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
        const qint64 markedBefore = scan.marked;
        for (qsizetype length = 1; length <= std::min(maxLength, rest.size()); ++length) {
            const TextFormat format = detectFormat(rest.first(length));
            ++scan.pieces;
            if (format.encoding == Encoding::Utf8) {
                ++scan.utf8;
            } else if (format.encoding != Encoding::Windows1251) {
                ++scan.marked;
                scan.markedAtWordStart += at == 0 || !isLetter1251(std::uint8_t(bytes[at - 1]));
            }
        }
        scan.markedOffsets += scan.marked != markedBefore;
        scan.allPieces += n - at;
        if (rest.startsWith(bomUtf8)) { // each longer piece has the UTF-8 mark
            scan.allUtf8 += n - at - 2;
            continue;
        }
        // In a piece that is valid UTF-8 each lead byte begins a sequence.
        const auto leads = [](QByteArrayView piece) {
            return qint64(std::count_if(piece.begin(), piece.end(),
                                        [](char b) { return std::uint8_t(b) >= 0xC0; }));
        };
        Utf8Validator validator;
        qint64 sequences = 0;
        for (qsizetype length = 0; length < rest.size() && !validator.broken(); ++length) {
            validator.feed(rest.sliced(length, 1));
            sequences += leads(rest.sliced(length, 1));
            scan.allUtf8 += validator.holdsUtf8Text();
            if (!validator.broken() && !validator.midSequence()) {
                scan.allOneSequence += sequences == 1;
                scan.mostSequences = std::max(scan.mostSequences, sequences);
            }
        }
        // Mostly UTF-8 takes kSequencesPerStray sequences, and there are no
        // more than lead bytes: where a quick pass up to beyond the strays
        // allowed finds fewer, no piece from here can be.
        Utf8Validator quick;
        qsizetype quickEnd = 0;
        for (; quickEnd < rest.size() && !quick.beyondMostly(); quickEnd += 64)
            quick.feed(rest.sliced(quickEnd, std::min<qsizetype>(64, rest.size() - quickEnd)));
        const qint64 quickLeads = leads(rest.first(std::min(quickEnd, rest.size())));
        scan.mostlySequences = std::max(scan.mostlySequences, quickLeads);
        if (quickLeads < Utf8Validator::kSequencesPerStray)
            continue;
        Utf8Validator mostly;
        for (qsizetype length = 0; length < rest.size() && !mostly.beyondMostly(); ++length) {
            mostly.feed(rest.sliced(length, 1));
            scan.allUtf8 += mostly.mostlyUtf8Text();
        }
    }
    return scan;
}

} // namespace zezu::test
