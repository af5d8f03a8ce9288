// The version record and what is made from it: the about box's version line
// and the Windows version resource.
#include "version/Version.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace zezu;

class TestVersion : public QObject
{
    Q_OBJECT

private slots:
    void versionLine_data();
    void versionLine();
    void recordReadsAsReleased();
    void windowsResource_data();
    void windowsResource();

private:
    QString m_rc;
};

void TestVersion::versionLine_data()
{
    QTest::addColumn<int>("majorNumber");
    QTest::addColumn<int>("minorNumber");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.0") << 1 << 0 << "::версия: 1.0...";
    QTest::newRow("2.13") << 2 << 13 << "::версия: 2.13...";
    QTest::newRow("10.0") << 10 << 0 << "::версия: 10.0...";
    QTest::newRow("0.5") << 0 << 5 << "::версия: 0.5...";
    QTest::newRow("minor beyond two digits") << 3 << 100 << "::версия: 3.100...";
}

void TestVersion::versionLine()
{
    QFETCH(int, majorNumber);
    QFETCH(int, minorNumber);
    QFETCH(QString, expected);
    QCOMPARE(zezu::versionLine(majorNumber, minorNumber), expected);
}

void TestVersion::recordReadsAsReleased()
{
    QCOMPARE(record::kVersion, u"1.0.0.0");
    QCOMPARE(QStringLiteral("%1.%2.%3.%4")
                 .arg(record::kVersionMajor)
                 .arg(record::kVersionMinor)
                 .arg(record::kVersionPatch)
                 .arg(record::kVersionTweak),
             record::kVersion.toString());
    QCOMPARE(zezu::versionLine(), QStringLiteral("::версия: 1.0..."));
    QCOMPARE(record::kProductName, u"ZEZU.vexlo");
    QCOMPARE(record::kCompanyName, u"::quillotrons...");
    QCOMPARE(record::kComment,
             u"программа предназначена для преобразования стандартного текста в текст языка ZEZU");
    // A reverse-DNS id of at least three lower-case parts, as desktop entries
    // and AppStream want.
    QVERIFY(QRegularExpression(QStringLiteral("^[a-z][a-z0-9]*(\\.[a-z][a-z0-9_]*){2,}$"))
                .match(record::kApplicationId)
                .hasMatch());
}

void TestVersion::windowsResource_data()
{
    QFile rc(QStringLiteral(ZEZU_VERSION_RC));
    QVERIFY2(rc.open(QIODevice::ReadOnly), ZEZU_VERSION_RC);
    const QString text = QString::fromUtf8(rc.readAll());

    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    auto row = [&](const char *name, const QString &line) {
        QTest::newRow(name) << text << line;
    };
    row("UTF-8 strings", QStringLiteral("#pragma code_page(65001)"));
    row("icon", QStringLiteral("IDI_ICON1 ICON \"%1\"").arg(QStringLiteral(ZEZU_ICO_FILE)));
    row("file version", QStringLiteral("FILEVERSION 1,0,0,0"));
    row("product version", QStringLiteral("PRODUCTVERSION 1,0,0,0"));
    row("application", QStringLiteral("FILETYPE VFT_APP"));
    row("Russian, Windows-1251", QStringLiteral("BLOCK \"041904e3\""));
    row("comment", QStringLiteral("VALUE \"Comments\", \"программа предназначена для "
                                  "преобразования стандартного текста в текст языка ZEZU\""));
    row("company", QStringLiteral("VALUE \"CompanyName\", \"::quillotrons...\""));
    row("file version text", QStringLiteral("VALUE \"FileVersion\", \"1.00\""));
    row("internal name", QStringLiteral("VALUE \"InternalName\", \"ZEZU.vexlo\""));
    row("file name", QStringLiteral("VALUE \"OriginalFilename\", \"ZEZU.vexlo.exe\""));
    row("product name", QStringLiteral("VALUE \"ProductName\", \"ZEZU.vexlo\""));
    row("product version text", QStringLiteral("VALUE \"ProductVersion\", \"1.00\""));
    row("translation", QStringLiteral("VALUE \"Translation\", 0x0419, 1251"));
}

void TestVersion::windowsResource()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &l : lines)
        l = l.trimmed();
    QVERIFY2(lines.contains(line), qPrintable(line));
    QVERIFY2(!text.contains(QLatin1Char('@')), "every placeholder is filled");
}

QTEST_MAIN(TestVersion)
#include "test_version.moc"
