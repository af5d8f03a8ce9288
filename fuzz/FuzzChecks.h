#pragma once

// What the fuzz targets check, kept apart from libFuzzer so that the ordinary
// test build can replay the seeds and every input that once failed.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace zezu::fuzz {

// Each returns an empty string when every property held, or the first one
// that did not, in words.

// Bytes as UTF-16 code units (little-endian pairs; an odd last byte steers how
// the text is cut into pieces): the converter against a per-character model
// of the rule, whole and in pieces; then checkDecoder on the same bytes.
QString checkConverter(QByteArrayView data);

// Bytes as UTF-16 code units, and again as Latin-1: decoding never gives more
// units than it reads, and in pieces (carrying each piece's unfinished
// reference over) gives what it does whole. Each byte as a Windows-1251
// character: the converter's references for them decode back to them.
QString checkDecoder(QByteArrayView data);

// Bytes as a file: the command line's pipeline (TextPipeline.h) in pieces cut
// where the input steers gives the bytes of the whole, for the detected format
// and others, converting and decoding; the reader against a model of the line
// rule, in pieces and through a real file, and saving then reading again
// changes nothing more.
// scratchDir is a folder the check may write one file into.
QString checkTextFile(QByteArrayView data, const QString &scratchDir);
QString checkPipeline(QByteArrayView data);

// The seed inputs of each target, by name.
using Seeds = std::vector<std::pair<QString, QByteArray>>;
Seeds converterSeeds();
Seeds textFileSeeds();

} // namespace zezu::fuzz
