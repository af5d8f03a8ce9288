// What a save and a read tell when they fail, and what a save keeps of the
// file it replaces.
#include "document/FileErrors.h"
#include "document/TextFile.h"
#include "support/Child.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>

using namespace zezu;
using zezu::test::readBytes;
using zezu::test::runChild;
using zezu::test::writeBytes;

namespace {

// The child's side: "size-limit file" saves a text of 100 000 bytes over the
// file with at most 4096 bytes allowed, SIGXFSZ at its default as in a
// program just started. Prints the reason; 0 when the save failed with it.
int childMain(const QStringList &args)
{
    if (args.size() != 2 || args[0] != QLatin1String("size-limit"))
        return 2;
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    QString reason;
    const bool saved = writeTextFile(args[1], QString(100000, u'ж'), reason);
    std::printf("%s", qPrintable(reason));
    return saved || reason != errorReason(EFBIG);
}

} // namespace

class TestDocumentsSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void reasons_data();
    void reasons();
    void englishReasonIsReplaced_data();
    void englishReasonIsReplaced();
    void sizeLimitDoesNotEndTheProgram();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
};

void TestDocumentsSave::initTestCase() { QVERIFY(m_dir.isValid()); }

void TestDocumentsSave::reasons_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("ENOENT") << ENOENT << QStringLiteral("файл или папка не найдены");
    QTest::newRow("EACCES") << EACCES << QStringLiteral("нет доступа");
    QTest::newRow("EPERM") << EPERM << QStringLiteral("нет доступа");
    QTest::newRow("EROFS") << EROFS << QStringLiteral("файловая система только для чтения");
    QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("нет места на диске");
    QTest::newRow("EFBIG") << EFBIG << QStringLiteral("превышен предельный размер файла или квота");
    QTest::newRow("EDQUOT") << EDQUOT << QStringLiteral("превышен предельный размер файла или квота");
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << QStringLiteral("слишком длинное имя");
    QTest::newRow("ELOOP") << ELOOP << QStringLiteral("слишком много символических ссылок");
    QTest::newRow("EIO") << EIO << QStringLiteral("ошибка ввода-вывода");
    QTest::newRow("EISDIR") << EISDIR << QStringLiteral("это папка, а не файл");
    // Anything else in the system's words.
    QTest::newRow("ENOTDIR") << ENOTDIR << qt_error_string(ENOTDIR);
    QTest::newRow("EBUSY") << EBUSY << qt_error_string(EBUSY);
}

void TestDocumentsSave::reasons()
{
    QFETCH(int, error);
    QFETCH(QString, reason);
    QCOMPARE(errorReason(error), reason);
}

void TestDocumentsSave::englishReasonIsReplaced_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void TestDocumentsSave::englishReasonIsReplaced()
{
    QFETCH(bool, save);
    // Where the C library has no Russian messages, as in the C locale.
    const QByteArray locale = std::setlocale(LC_MESSAGES, nullptr);
    std::setlocale(LC_MESSAGES, "C");
    const auto restore = qScopeGuard([&] { std::setlocale(LC_MESSAGES, locale.constData()); });
    QCOMPARE(qt_error_string(ELOOP), QStringLiteral("Too many levels of symbolic links"));

    const QString loop = path(QStringLiteral("loop.txt"));
    QVERIFY(QFileInfo(loop).isSymLink() || QFile::link(loop, loop));
    QString text = QStringLiteral("untouched");
    QString reason;
    QVERIFY(save ? !writeTextFile(loop, text, reason) : !readTextFile(loop, text, reason));
    QCOMPARE(reason, QStringLiteral("слишком много символических ссылок"));
    QVERIFY(QFileInfo(loop).isSymLink());
}

void TestDocumentsSave::sizeLimitDoesNotEndTheProgram()
{
    const QString folder = path(QStringLiteral("limited"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("old.txt"));
    const QByteArray old("old content\r\n");
    QVERIFY(writeBytes(file, old));
    const auto [code, output] =
        runChild({}, QCoreApplication::applicationFilePath(), {QStringLiteral("size-limit"), file});
    QVERIFY2(code == 0, qPrintable(output));
    QCOMPARE(readBytes(file), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "-child") == 0)
        return childMain(QCoreApplication::arguments().mid(2));
    TestDocumentsSave tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}
#include "test_documents_save.moc"
