// What a save and a read tell when they fail, and what a save keeps of the
// file it replaces.
#include "document/FileErrors.h"
#include "document/TextFile.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <clocale>

using namespace zezu;
using zezu::test::readBytes;
using zezu::test::writeBytes;

class TestDocumentsSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void reasons_data();
    void reasons();
    void englishReasonIsReplaced_data();
    void englishReasonIsReplaced();

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

QTEST_GUILESS_MAIN(TestDocumentsSave)
#include "test_documents_save.moc"
