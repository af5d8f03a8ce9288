// zezu-convert, the command-line converter: its options, exit statuses and
// messages, and that it gives the very bytes the editor gives for the same
// files, from files, standard input and in place.
#include "text/ReferenceConverter.h"
#include "version/VersionRecord.h"
#include "support/Child.h"
#include "support/ConvertCommand.h"
#include "support/Files.h"
#include "support/Pipeline.h"
#include "support/RussianCorpus.h"
#include "support/TextFormats.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <random>

using namespace zezu;

namespace {

const QString kProgram = QStringLiteral(ZEZU_CONVERT);

} // namespace

class TestConvertCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void options_data();
    void options();
    void inPlaceWithBadFiles();
    void sameBytesAsTheEditor_data();
    void sameBytesAsTheEditor();
    void pipeHeldPastMemory();
    void inPlaceKeepsHardLinks();
    void namesThatAreNotUtf8();
    void signalLeavesNoTemporaryFile_data();
    void signalLeavesNoTemporaryFile();
    void everyWrittenFileReadsBack();
    void sameFileNamedTwice();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QByteArray editorBytes(const QString &name, bool decode);
    // Runs as a user the permissions hold for: root is run as nobody.
    QStringList asUser() const { return ::geteuid() == 0 ? test::asNobody() : QStringList(); }

    QTemporaryDir m_dir;
    QByteArray m_good;
    QByteArray m_good2;
};

void TestConvertCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Readable by the user the permission cases run as.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755)));
    m_good = test::cp1251("Привет, \"мир\" & <всё>\r\nвторая строка\rтретья\nещё");
    m_good2 = test::utf8("UTF-8: Жёлтый № 5 — €\n");
    QVERIFY(test::writeBytes(path(QStringLiteral("good.txt")), m_good));
    QVERIFY(test::writeBytes(path(QStringLiteral("good2.txt")), m_good2));
    QVERIFY(test::writeBytes(path(QStringLiteral("foreign.txt")), test::utf8("a😀b é &amp;\n")));
    // UTF-8 but for two bytes, the 81st and the 162nd.
    QVERIFY(test::writeBytes(path(QStringLiteral("stray.txt")),
                             (test::utf8("Ж").repeated(40) + "\xFF").repeated(2) + "\n"));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0644) == 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path(QStringLiteral("socket"))).constData(),
             sizeof address.sun_path);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    ::close(socket);
    QVERIFY(test::writeBytes(path(QStringLiteral("c1.txt")), "a\xC2\x85\xC2\x98" "b\n"));
    // "Привет" in UTF-16, cut short by its last byte.
    QVERIFY(test::writeBytes(path(QStringLiteral("cut16.txt")),
                             test::bomLe + test::iconvTo("UTF-16LE", "Привет").chopped(1)));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("readonly")));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("readonly")),
                                  QFileDevice::Permissions(0x5555)));
}

QByteArray TestConvertCommand::editorBytes(const QString &name, bool decode)
{
    const QString target = path(QStringLiteral("editor-") + name);
    const QString reason = test::editorWay(path(name), target, decode);
    if (!reason.isEmpty())
        return "editor failed: " + reason.toUtf8();
    const QByteArray bytes = test::readBytes(target);
    QFile::remove(target);
    return bytes;
}

void TestConvertCommand::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    // What standard error says (every line), and standard output: the
    // editor's bytes for these files when named, or text it begins with.
    QTest::addColumn<QString>("err");
    QTest::addColumn<QStringList>("outFiles");
    QTest::addColumn<QString>("outStart");

    const QString usage = QStringLiteral("использование: zezu-convert [-d] [-i | -o ФАЙЛ] "
                                         "[--from КОДИРОВКА] [--to КОДИРОВКА] [ФАЙЛ...]\n");
    const QString version = QStringLiteral("zezu-convert (%1) %2\n")
                                .arg(record::kProductName, record::kVersion);
    auto row = [](const char *name, const QStringList &args, int status, const QString &err,
                  const QStringList &outFiles = {}, const QString &outStart = {}) {
        QTest::newRow(name) << args << status << err << outFiles << outStart;
    };
    auto s = [](const char *text) { return QString::fromUtf8(text); };
    row("help", {s("--help")}, 0, {}, {}, s("Использование: zezu-convert [ПАРАМЕТРЫ] [ФАЙЛ...]\n"));
    row("version", {s("--version")}, 0, {}, {}, version);
    row("a file", {s("good.txt")}, 0, {}, {s("good.txt")});
    row("files in order", {s("good2.txt"), s("good.txt")}, 0, {}, {s("good2.txt"), s("good.txt")});
    // A device or a pipe as the output is written on as it stands.
    row("-o /dev/stdout", {s("good.txt"), s("-o"), s("/dev/stdout")}, 0, {}, {s("good.txt")});
    // What the output encoding lacks is "?", and counted.
    row("-d to windows-1251", {s("-d"), s("--to"), s("windows-1251"), s("foreign.txt")}, 0,
        s("zezu-convert: foreign.txt: знаки, которых нет в кодировке windows-1251, записаны "
          "как \"?\" (их 2)\n"), {}, s("a?b ? &\n"));
    // Mostly UTF-8: a guess, so the bytes that are not fail it.
    // Standard output has what was converted before the end showed it.
    row("stray bytes", {s("stray.txt")}, 1,
        s("zezu-convert: stray.txt: байты не в UTF-8 (их 2, первый - байт номер 81); "
          "--from utf-8 преобразует его всё же\n"), {}, s("&#1046;&#1046;"));
    row("stray bytes, --from utf-8, -d", {s("-d"), s("--from"), s("utf-8"), s("stray.txt")}, 0,
        s("zezu-convert: stray.txt: байты не в UTF-8 (их 2, первый - байт номер 81)\n"), {},
        s("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));
    row("unknown option", {s("--bogus")}, 2, s("zezu-convert: неизвестный параметр --bogus\n") + usage);
    row("-o without a name", {s("good.txt"), s("-o")}, 2,
        s("zezu-convert: параметру -o нужно значение\n") + usage);
    row("unknown encoding", {s("--from=koi8-r"), s("good.txt")}, 2,
        s("zezu-convert: неизвестная кодировка \"koi8-r\" (windows-1251, utf-8 или utf-16)\n") + usage);
    row("-i and -o", {s("-i"), s("-o"), s("x"), s("good.txt")}, 2,
        s("zezu-convert: -i и -o нельзя указать вместе\n") + usage);
    row("-i without files", {s("-i")}, 2,
        s("zezu-convert: -i заменяет файлы: нужны их имена, а не стандартный ввод\n") + usage);
    row("-i on standard input", {s("-i"), s("good.txt"), s("-")}, 2,
        s("zezu-convert: -i заменяет файлы: нужны их имена, а не стандартный ввод\n") + usage);
    row("missing file", {s("missing.txt")}, 1,
        s("zezu-convert: missing.txt: файл или папка не найдены\n"));
    row("folder", {s("folder")}, 1, s("zezu-convert: folder: это папка, а не файл\n"));
    row("FIFO", {s("fifo")}, 1, s("zezu-convert: fifo: это не обычный файл\n"));
    row("socket", {s("socket")}, 1, s("zezu-convert: socket: это не обычный файл\n"));
    // No reference carries a C1 control: "?", counted; U+0098 is the page's.
    row("C1 controls", {s("--from"), s("utf-8"), s("c1.txt")}, 0,
        s("zezu-convert: c1.txt: знаки, которых не передать ссылкой HTML (управляющие "
          "U+0080..U+009F, байты не в UTF-8), записаны как \"?\" (их 1)\n"),
        {}, s("a?\xC2\x98" "b\n"));
    row("UTF-16 cut short", {s("--to"), s("utf-8"), s("cut16.txt")}, 1,
        s("zezu-convert: cut16.txt: байты не в UTF-16LE (их 1, первый - байт номер 13); "
          "--from utf-16le преобразует его всё же\n"), {}, s("&#1055;&#1088;"));
    row("a missing file among good ones", {s("good.txt"), s("missing.txt"), s("good2.txt")}, 1,
        s("zezu-convert: missing.txt: файл или папка не найдены\n"),
        {s("good.txt"), s("good2.txt")});
    row("output into a missing folder", {s("good.txt"), s("-o"), s("nowhere/out.txt")}, 1,
        s("zezu-convert: nowhere/out.txt: файл или папка не найдены\n"));
    row("output is a folder", {s("good.txt"), s("-o"), s("folder")}, 1,
        s("zezu-convert: folder: это папка, а не файл\n"));
    row("unwritable output", {s("good.txt"), s("-o"), s("readonly/out.txt")}, 1,
        s("zezu-convert: readonly/out.txt: нет доступа\n"));
    row("-o with a missing input", {s("good.txt"), s("missing.txt"), s("-o"), s("out.txt")}, 1,
        s("zezu-convert: missing.txt: файл или папка не найдены\n"));
}

void TestConvertCommand::options()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    QFETCH(QStringList, outFiles);
    QFETCH(QString, outStart);
    const auto before = test::snapshot(m_dir.path());
    const test::Run run = test::runProgram(kProgram, args, m_dir.path(), {}, asUser());
    QCOMPARE(QString::fromUtf8(run.err), err);
    QCOMPARE(run.status, status);
    if (!outFiles.isEmpty()) {
        QByteArray expected;
        for (const QString &name : outFiles)
            expected += editorBytes(name, false);
        QCOMPARE(run.out, expected);
    } else {
        QVERIFY2(run.out.startsWith(outStart.toUtf8()), run.out.constData());
        QVERIFY(!outStart.isEmpty() || run.out.isEmpty());
    }
    // Nothing is written but the output asked for, and that only on success.
    QVERIFY(test::snapshot(m_dir.path()) == before);
}

// One bad file among good ones: the good ones are replaced by what the editor
// would save, each bad one is told and left byte for byte.
void TestConvertCommand::inPlaceWithBadFiles()
{
    const QString sub = path(QStringLiteral("inplace"));
    QVERIFY(QDir().mkpath(sub + QStringLiteral("/locked")));
    QVERIFY(QFile::setPermissions(sub, QFileDevice::Permissions(0x7777)));
    QVERIFY(test::writeBytes(sub + QStringLiteral("/a.txt"), m_good));
    QVERIFY(test::writeBytes(sub + QStringLiteral("/b.txt"), m_good2));
    QVERIFY(test::writeBytes(sub + QStringLiteral("/locked/c.txt"), m_good));
    QVERIFY(QFile::setPermissions(sub + QStringLiteral("/locked/c.txt"),
                                  QFileDevice::Permissions(0x4444)));
    QVERIFY(QFile::setPermissions(sub + QStringLiteral("/locked"),
                                  QFileDevice::Permissions(0x5555)));
    QVERIFY(QFile::setPermissions(sub + QStringLiteral("/a.txt"), QFileDevice::Permissions(0x6666)));
    QVERIFY(QFile::setPermissions(sub + QStringLiteral("/b.txt"), QFileDevice::Permissions(0x6666)));
    const QByteArray a = editorBytes(QStringLiteral("good.txt"), false);
    const QByteArray b = editorBytes(QStringLiteral("good2.txt"), false);

    const test::Run run = test::runProgram(
        kProgram,
        {QStringLiteral("-i"), QStringLiteral("a.txt"), QStringLiteral("locked/c.txt"),
         QStringLiteral("missing.txt"), QStringLiteral("b.txt")},
        sub, {}, asUser());
    QCOMPARE(QString::fromUtf8(run.err),
             QStringLiteral("zezu-convert: locked/c.txt: нет доступа\n"
                            "zezu-convert: missing.txt: файл или папка не найдены\n"));
    QCOMPARE(run.status, 1);
    QCOMPARE(test::readBytes(sub + QStringLiteral("/a.txt")), a);
    QCOMPARE(test::readBytes(sub + QStringLiteral("/b.txt")), b);
    QCOMPARE(test::readBytes(sub + QStringLiteral("/locked/c.txt")), m_good);
    QVERIFY(!QFileInfo::exists(sub + QStringLiteral("/missing.txt")));
    QCOMPARE(QDir(sub).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);
}

void TestConvertCommand::sameBytesAsTheEditor_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decode");
    std::mt19937 random(42);
    for (const TextFormat &format : test::allFormats()) {
        for (int k = 0; k < 3; ++k) {
            const QByteArray bytes = test::randomFileBytes(random, format, 300 + 500 * k);
            QTest::addRow("convert %s %d", qPrintable(test::formatName(format)), k) << bytes << false;
        }
        const QByteArray refs = encodeText(test::randomReferences(random, 2000), format);
        QTest::addRow("decode %s", qPrintable(test::formatName(format))) << refs << true;
    }
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("mark alone") << QByteArray("\xEF\xBB\xBF") << false;
    QTest::newRow("LF only") << test::cp1251("один\nдва\n") << false;
    QTest::newRow("no final break") << test::cp1251("строка") << false;
    // Numbers of any length, cut wherever the pieces of either end.
    for (const qsizetype digits : {16400, 300000, 1 << 20}) {
        QTest::addRow("%lld leading zeros", qlonglong(digits))
            << "x&#" + QByteArray(digits, '0') + "1040;y\r\n" << true;
        QTest::addRow("%lld digits, no end", qlonglong(digits))
            << "x&#x" + QByteArray(digits, '7') + "\r\n" << true;
        QTest::addRow("%lld digits and more", qlonglong(digits))
            << "&#" + QByteArray(digits / 2, '0') + QByteArray(digits / 2, '9') + ";&#65;" << true;
    }
    if (const auto corpus = test::russianCorpus1251()) {
        // Prose past a piece of 256 KiB, with CR LF breaks as Windows writes.
        QByteArray prose = corpus->bytes.left(700 << 10);
        prose.replace("\n", "\r\n");
        QTest::newRow("Russian prose") << prose << false;
        QTest::newRow("Russian prose, LF") << corpus->bytes.left(700 << 10) << false;
    }
}

// Through a file, standard output, -o, -i and standard input alike.
void TestConvertCommand::sameBytesAsTheEditor()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decode);
    const QString name = QStringLiteral("same.txt");
    QVERIFY(test::writeBytes(path(name), bytes));
    const QByteArray expected = editorBytes(name, decode);
    QStringList args;
    if (decode)
        args << QStringLiteral("-d");

    const test::Run toStdout = test::runProgram(kProgram, args + QStringList{name}, m_dir.path());
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, expected);
    const test::Run fromPipe = test::runProgram(kProgram, args, m_dir.path(), bytes);
    QCOMPARE(fromPipe.status, 0);
    QCOMPARE(fromPipe.out, expected);
    const test::Run toFile = test::runProgram(
        kProgram, args + QStringList{name, QStringLiteral("-o"), QStringLiteral("out.txt")},
        m_dir.path());
    QCOMPARE(toFile.status, 0);
    QCOMPARE(test::readBytes(path(QStringLiteral("out.txt"))), expected);
    const test::Run inPlace =
        test::runProgram(kProgram, args + QStringList{QStringLiteral("-i"), name}, m_dir.path());
    QCOMPARE(inPlace.status, 0);
    QCOMPARE(test::readBytes(path(name)), expected);
    QVERIFY(QFile::remove(path(name)) && QFile::remove(path(QStringLiteral("out.txt"))));
}

// A pipe whose format stays open past what is held in memory (LF line ends,
// until a CR at the very end makes them CR LF) is told from all of it.
void TestConvertCommand::pipeHeldPastMemory()
{
    QByteArray bytes;
    const QByteArray line = test::cp1251("строка текста, не короче прочих\n");
    while (bytes.size() < (9 << 20))
        bytes += line;
    bytes += "\r";
    const QString name = QStringLiteral("long.txt");
    QVERIFY(test::writeBytes(path(name), bytes));
    const QByteArray expected = editorBytes(name, false);
    // The CR makes the file one of CR LF line ends whose LFs are characters;
    // told by its head alone, its last break would be written as LF.
    QVERIFY(expected.endsWith("\r\n") && expected.count("\r\n") == 1);
    const test::Run run = test::runProgram(kProgram, {}, m_dir.path(), bytes);
    QCOMPARE(run.status, 0);
    QVERIFY(run.out == expected);
    QVERIFY(QFile::remove(path(name)));
    // Where the temporary folder fails it, it says why, in Russian.
    const test::Run nowhere = test::runProgram(kProgram, {}, m_dir.path(), bytes,
                                               {QStringLiteral("env"), QStringLiteral("TMPDIR=/nowhere")});
    QCOMPARE(nowhere.status, 1);
    QCOMPARE(QString::fromUtf8(nowhere.err),
             QStringLiteral("zezu-convert: стандартный ввод: временный файл: файл или папка не "
                            "найдены\n"));
}

// A file with another name is written in place, so that both names see the
// new text; the stream's bytes are counted first, in a temporary file.
void TestConvertCommand::inPlaceKeepsHardLinks()
{
    const QString name = QStringLiteral("linked.txt");
    QVERIFY(test::writeBytes(path(name), m_good));
    const QByteArray expected = editorBytes(name, false);
    QVERIFY(::link(QFile::encodeName(path(name)).constData(),
                   QFile::encodeName(path(QStringLiteral("other-name.txt"))).constData())
            == 0);
    const test::Run run = test::runProgram(kProgram, {QStringLiteral("-i"), name}, m_dir.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(test::readBytes(path(name)), expected);
    QCOMPARE(test::readBytes(path(QStringLiteral("other-name.txt"))), expected);
    QVERIFY(QFile::remove(path(name)) && QFile::remove(path(QStringLiteral("other-name.txt"))));
}

// "Привет.txt" in Windows-1251 bytes, given through a shell so that the
// name reaches the program as the bytes it is.
void TestConvertCommand::namesThatAreNotUtf8()
{
    QTemporaryDir dir;
    const QByteArray name = "\xCF\xF0\xE8\xE2\xE5\xF2.txt";
    const QByteArray folder = QFile::encodeName(dir.path());
    QVERIFY(test::writeBytesAt(folder + '/' + name, m_good));
    const QString script = QStringLiteral(
        "n=$(printf '\\317\\360\\350\\342\\345\\362.txt'); "
        "\"$0\" \"$n\" && \"$0\" \"$n\" -o \"$n.out\" && \"$0\" -i \"$n\" && "
        "\"$0\" \"$(printf 'none\\377.txt')\"");
    const test::Run run = test::runProgram(QStringLiteral("/bin/sh"),
                                           {QStringLiteral("-c"), script, kProgram}, dir.path());
    QCOMPARE(QString::fromUtf8(run.err),
             QStringLiteral("zezu-convert: none\uFFFD.txt: файл или папка не найдены\n"));
    QCOMPARE(run.status, 1);
    const QByteArray converted = editorBytes(QStringLiteral("good.txt"), false);
    QCOMPARE(run.out, converted);
    QCOMPARE(test::readBytesAt(folder + '/' + name + ".out"), converted);
    QCOMPARE(test::readBytesAt(folder + '/' + name), converted);
}

void TestConvertCommand::signalLeavesNoTemporaryFile_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("inPlace"); // else -o, from a pipe
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        QTest::addRow("-o, signal %d", signal) << signal << false;
        QTest::addRow("-i, signal %d", signal) << signal << true;
    }
}

// A run ended by a signal while it writes leaves the target as it was, no
// temporary file beside it, and ends as the signal would.
void TestConvertCommand::signalLeavesNoTemporaryFile()
{
    QFETCH(int, signal);
    QFETCH(bool, inPlace);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.txt"));
    const QByteArray old("old\r\n");
    // A file so large that its conversion is still being written when seen.
    const QByteArray big = QByteArray("\xE6 ").repeated(qsizetype(32) << 20);
    QVERIFY(test::writeBytes(target, inPlace ? big : old));
    QProcess run;
    if (inPlace) {
        run.start(kProgram, {QStringLiteral("-i"), target});
    } else {
        run.start(kProgram, {QStringLiteral("-o"), target});
        QVERIFY(run.waitForStarted());
        run.write(QByteArray("\xE6 ").repeated(100000)); // and no end yet
    }
    QVERIFY(run.waitForStarted());
    QVERIFY(test::interruptWhileWriting(run, dir.path(), signal));
    QCOMPARE(run.exitStatus(), QProcess::CrashExit);
    QCOMPARE(run.exitCode(), signal);
    QCOMPARE(test::temporaryFiles(dir.path()), QStringList());
    QCOMPARE(test::readBytes(target), inPlace ? big : old);
}

// Every file the command writes, in every encoding, read by the editor's
// open, is the text it wrote: the references of a text, or (decoding a text
// with no reference) the text itself; with no character past ASCII, one (the
// hard case), two and many.
void TestConvertCommand::everyWrittenFileReadsBack()
{
    std::mt19937 random(2702);
    QTemporaryDir dir;
    for (const char *to : {"windows-1251", "utf-8", "utf-16le", "utf-16be"}) {
        for (const bool decode : {false, true}) {
            QStringList names;
            QStringList texts;
            for (int i = 0; i < 60; ++i) {
                const int nonAscii = i % 4 == 3 ? 2 + i % 7 : i % 4 == 2 ? 1 : i % 2;
                const bool lf = i % 3 == 0;
                texts << test::randomLines(random, nonAscii, lf, decode && to[0] == 'w');
                names << QStringLiteral("t%1.txt").arg(i);
                // Read without doubt: UTF-16 with its mark.
                QString text = texts.back();
                if (lf)
                    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                const TextFormat input{Encoding::Utf16LE, true};
                QVERIFY(test::writeBytes(dir.filePath(names.back()), encodeText(text, input)));
            }
            QStringList args{QStringLiteral("--to"), QLatin1String(to), QStringLiteral("-i")};
            if (decode)
                args.prepend(QStringLiteral("-d"));
            const test::Run run = test::runProgram(kProgram, args + names, dir.path());
            QCOMPARE(run.status, 0);
            for (qsizetype i = 0; i < names.size(); ++i) {
                QString read, reason;
                TextFormat format;
                QVERIFY(readTextFile(dir.filePath(names[i]), read, format, reason));
                const QString expected = decode ? texts[i] : toReferences(texts[i]);
                QVERIFY2(read == expected, qPrintable(QLatin1String(to) + u' ' + texts[i]));
            }
        }
    }
}

// A file named twice with -i, by its name, a symbolic link or a hard link,
// is converted once; each repeat is told, and the run fails.
void TestConvertCommand::sameFileNamedTwice()
{
    QTemporaryDir dir;
    QVERIFY(test::writeBytes(dir.filePath(QStringLiteral("a.txt")), m_good));
    QVERIFY(QFile::link(QStringLiteral("a.txt"), dir.filePath(QStringLiteral("sym.txt"))));
    QVERIFY(::link(QFile::encodeName(dir.filePath(QStringLiteral("a.txt"))).constData(),
                   QFile::encodeName(dir.filePath(QStringLiteral("hard.txt"))).constData())
            == 0);
    const QByteArray once = test::runProgram(kProgram, {QStringLiteral("a.txt")}, dir.path()).out;
    const test::Run run = test::runProgram(
        kProgram, {QStringLiteral("-i"), QStringLiteral("a.txt"), QStringLiteral("a.txt"),
                   QStringLiteral("sym.txt"), QStringLiteral("hard.txt")},
        dir.path());
    QCOMPARE(run.status, 1);
    QCOMPARE(test::readBytes(dir.filePath(QStringLiteral("a.txt"))), once);
    QCOMPARE(test::readBytes(dir.filePath(QStringLiteral("hard.txt"))), once);
    for (const char *repeat : {"a.txt", "sym.txt", "hard.txt"})
        QVERIFY(run.err.contains(QByteArray("zezu-convert: ") + repeat
                                 + ": это тот же файл, что и \"a.txt\": он уже преобразован\n"));
}

QTEST_GUILESS_MAIN(TestConvertCommand)
#include "test_convert_command.moc"
