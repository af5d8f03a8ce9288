// Converter and decoder throughput on generated texts (and on any UTF-8 files
// named on the command line), next to memcpy of the same number of output bytes.
//
//   bench_converter [--benchmark_...] [file ...]
//
// "chars/s" counts input UTF-16 code units; bytes_per_second counts output
// bytes. Every large block is a mapping of its own, handed back to the
// system when freed (see main), so that "fresh" means fresh:
//
//   toReferences_fresh_memory   each conversion into a new string, in pages
//                               the process has never touched: allocation and
//                               the first touch of every page included
//   appendReferences_warm_reused  one string reused; a conversion before the
//                               timing touches it first, so every timed one
//                               writes into warm memory, as memcpy does
//
// "faults" counts the page faults per conversion and "pages" the 4 KiB pages
// its output covers: in fresh memory the two are about equal (every page is
// faulted in); in warm memory there are none.
//
// The decoder reads each converted text back: its "chars/s" counts the input
// references' UTF-16 code units. fromReferences_fresh_memory decodes into a
// new string each time, in fresh memory; appendText_warm_reused decodes into
// one warm string, its first decode left out of the timing.

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct Input
{
    std::string name;
    QString text;
    QString references; // the text converted
    qsizetype outputUnits = 0;
};

// Each generated text's length in UTF-16 units; ZEZU_BENCH_UNITS overrides it
// (e.g. 30000, to see the converter with its output in the cache).
qsizetype generatedUnits()
{
    bool ok = false;
    const int units = qEnvironmentVariableIntValue("ZEZU_BENCH_UNITS", &ok);
    return ok && units > 0 ? units : 3'000'000;
}

const QStringList &russianWords()
{
    static const QStringList words = QStringLiteral(
        "и в не на я быть он с что а по это она этот к но они мы как из у который то за "
        "свой весь год от так о для ты же все тот мочь вы человек такой его сказать только "
        "или ещё бы себя один уже до время если сам когда другой вот говорить наш мой знать "
        "стать при чтобы дело жизнь кто первый очень два день её новый рука даже раз где там "
        "под можно ну какой после их работа без самый потом надо хотеть ли слово идти большой "
        "должен место иметь ничто всё идёт тёмный зелёный лёгкий пошёл ребёнок берёза вечер "
        "дорога деревня окно солнце река лес город земля вода утро ночь сторона голова")
        .split(u' ');
    return words;
}

const QStringList &englishWords()
{
    static const QStringList words = QStringLiteral(
        "the of and to in is was he for it with as his on be at by had are but from or "
        "have an they which one you were her all she there would their we him been has when "
        "who will more no if out so said what up its about into than them can only other new "
        "some could time these two may then do first any my now such like our over man me "
        "even most made after also did many before must through back years where much your "
        "way well down should because each just those people how too little state good very")
        .split(u' ');
    return words;
}

QString capitalized(const QString &word)
{
    return word.left(1).toUpper() + word.mid(1);
}

// Sentences of the words, with punctuation, quotes and paragraph breaks.
QString prose(std::mt19937 &random, const QStringList &words, bool russian, qsizetype units)
{
    std::uniform_int_distribution<int> pickWord(0, int(words.size()) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> sentenceWords(4, 16);
    std::uniform_int_distribution<int> paragraphSentences(3, 8);
    const QString openQuote = russian ? QStringLiteral("«") : QStringLiteral("\"");
    const QString closeQuote = russian ? QStringLiteral("»") : QStringLiteral("\"");
    const QString dash = russian ? QStringLiteral(" — ") : QStringLiteral(" - ");
    const QString paragraphBreak = russian ? QStringLiteral("\r\n") : QStringLiteral("\n");

    QString text;
    text.reserve(units + 256);
    while (text.size() < units) {
        const int sentences = paragraphSentences(random);
        for (int s = 0; s < sentences; ++s) {
            const int count = sentenceWords(random);
            const bool quoted = percent(random) < 8;
            if (quoted)
                text += russian ? openQuote : QStringLiteral("\"");
            for (int w = 0; w < count; ++w) {
                const QString &word = words[pickWord(random)];
                text += w == 0 ? capitalized(word) : word;
                if (w + 1 < count) {
                    const int p = percent(random);
                    text += p < 8 ? QStringLiteral(", ") : p < 10 ? dash : QStringLiteral(" ");
                }
            }
            text += percent(random) < 85 ? QStringLiteral(".") : QStringLiteral("!");
            if (quoted)
                text += closeQuote;
            if (!russian && percent(random) < 3)
                text += QStringLiteral(" (a < b && c > d)");
            if (s + 1 < sentences)
                text += u' ';
        }
        text += paragraphBreak;
    }
    return text;
}

QString mixed(std::mt19937 &random, qsizetype units)
{
    std::uniform_int_distribution<int> percent(0, 99);
    QString text;
    text.reserve(units + 4096);
    while (text.size() < units) {
        const int p = percent(random);
        if (p < 45)
            text += prose(random, russianWords(), true, 200);
        else if (p < 90)
            text += prose(random, englishWords(), false, 200);
        else if (p < 96)
            text += QStringLiteral("<p class=\"note\">x &amp; y = 42;\t</p>\n");
        else
            text += QStringLiteral("Café 😀 中文 № 5 €\n");
    }
    return text;
}

std::vector<std::unique_ptr<Input>> &inputs()
{
    static std::vector<std::unique_ptr<Input>> all;
    return all;
}

void addInput(std::string name, QString text)
{
    auto input = std::make_unique<Input>();
    input->name = std::move(name);
    input->text = std::move(text);
    input->references = zezu::toReferences(input->text);
    input->outputUnits = input->references.size();
    inputs().push_back(std::move(input));
}

void setCounters(benchmark::State &state, const Input &input)
{
    state.counters["chars/s"] = benchmark::Counter(
        double(input.text.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * input.outputUnits
                            * std::int64_t(sizeof(char16_t)));
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Page faults per iteration since faultsBefore, and the 4 KiB pages of units
// output units: in fresh memory every page is faulted in.
void setFaultCounters(benchmark::State &state, long faultsBefore, qsizetype units)
{
    state.counters["faults"] = benchmark::Counter(double(minorFaults() - faultsBefore)
                                                  / double(state.iterations()));
    state.counters["pages"] = benchmark::Counter(double(units) * sizeof(char16_t) / 4096.0);
}

// A new string per conversion, in memory never touched before.
void convertFresh(benchmark::State &state, const Input *input)
{
    const long faults = minorFaults();
    for (auto _ : state) {
        QString out = zezu::toReferences(input->text);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setFaultCounters(state, faults, input->outputUnits);
    setCounters(state, *input);
}

// One string reused: the converter's own speed into a warm buffer. The
// conversion that first touches the string is not timed.
void convertReused(benchmark::State &state, const Input *input)
{
    QString out;
    zezu::appendReferences(out, input->text);
    if (out != input->references)
        state.SkipWithError("the warm-up conversion differs from toReferences");
    const long faults = minorFaults();
    for (auto _ : state) {
        out.resize(0); // keeps the allocation
        zezu::appendReferences(out, input->text);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setFaultCounters(state, faults, input->outputUnits);
    setCounters(state, *input);
}

// memcpy of as many bytes as the conversion writes, between warm buffers.
void copyOutputSize(benchmark::State &state, const Input *input)
{
    const std::size_t bytes = std::size_t(input->outputUnits) * sizeof(char16_t);
    std::vector<char> from(bytes, 'x');
    std::vector<char> to(bytes, 'y');
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    setCounters(state, *input);
}

void setDecodeCounters(benchmark::State &state, const Input &input)
{
    state.counters["chars/s"] = benchmark::Counter(
        double(input.references.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * input.references.size()
                            * std::int64_t(sizeof(char16_t)));
}

// A new string per decode, in pages the process has never touched.
void decodeFresh(benchmark::State &state, const Input *input)
{
    const long faults = minorFaults();
    for (auto _ : state) {
        QString out = zezu::fromReferences(input->references);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setFaultCounters(state, faults, input->text.size());
    setDecodeCounters(state, *input);
}

// One string reused; the decode that first touches it is not timed.
void decodeReused(benchmark::State &state, const Input *input)
{
    QString out;
    zezu::appendText(out, input->references);
    // Characters outside Windows-1251 were written as "?"; the rest comes back.
    if (zezu::toReferences(out) != input->references)
        state.SkipWithError("the decoded text does not convert to the same references");
    const long faults = minorFaults();
    for (auto _ : state) {
        out.resize(0); // keeps the allocation
        zezu::appendText(out, input->references);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setFaultCounters(state, faults, input->text.size());
    setDecodeCounters(state, *input);
}

} // namespace

int main(int argc, char **argv)
{
#ifdef __GLIBC__
    // Every large block comes from the system and goes back to it when freed;
    // otherwise malloc would soon hand back warm memory it kept from before,
    // and a "fresh" string would be fresh only on its first iteration.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    benchmark::Initialize(&argc, argv);

    std::mt19937 random(1251);
    addInput("russian_prose", prose(random, russianWords(), true, generatedUnits()));
    addInput("ascii_text", prose(random, englishWords(), false, generatedUnits()));
    addInput("mixed", mixed(random, generatedUnits()));

    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--benchmark", 11) == 0)
            continue;
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        addInput(std::string("file:") + argv[i], QString::fromUtf8(file.readAll()));
    }

    for (const auto &input : inputs()) {
        const Input *in = input.get();
        benchmark::RegisterBenchmark(("toReferences_fresh_memory/" + in->name).c_str(),
                                     convertFresh, in)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("appendReferences_warm_reused/" + in->name).c_str(),
                                     convertReused, in)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("memcpy_output_size/" + in->name).c_str(), copyOutputSize,
                                     in)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }

    for (const auto &input : inputs()) {
        const Input *in = input.get();
        benchmark::RegisterBenchmark(("fromReferences_fresh_memory/" + in->name).c_str(),
                                     decodeFresh, in)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("appendText_warm_reused/" + in->name).c_str(),
                                     decodeReused, in)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
