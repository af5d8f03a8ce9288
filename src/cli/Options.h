#pragma once

#include "text/TextFormat.h"
#include "text/Conversion.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zezu::cli {

// What the command line asks for.
struct Options
{
    Conversion conversion = Conversion::ToReferences;
    bool inPlace = false;
    bool help = false;
    bool version = false;
    // Empty: standard output.
    QString output;
    std::optional<Encoding> from;
    std::optional<Encoding> to;
    // "-" is standard input; none given means standard input.
    QStringList files;
};

// Reads the arguments (without the program's name); false with what is wrong,
// in a line for the user, on a usage error.
bool parseArguments(const QStringList &arguments, Options &options, QString &error);

// The format an input is read in: the detected one, or the forced encoding
// with the line ends (and byte order mark) the detection found.
TextFormat inputFormat(const TextFormat &detected, std::optional<Encoding> forced);

// The format the output is written in: the input's, or the asked encoding
// with the input's line ends; UTF-16 then gets a byte order mark, without
// which no reader could tell it.
TextFormat outputFormat(const TextFormat &input, std::optional<Encoding> asked);

QString usageText();
QString helpText();

} // namespace zezu::cli
