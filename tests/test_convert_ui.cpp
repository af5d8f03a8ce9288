// The convert command and the progress window, for real and headless, through
// the menu, the shortcut and the Cancel button.
#include "support/EditorProbe.h"
#include "text/ReferenceConverter.h"
#include "support/Codecs.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedUser.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace zezu;
using namespace zezu::test;

class TestConvertUi : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open()); }
    void cleanup() { m_main.close(); }

    void ctrlGConvertsAndUndoRestores();
    void convertsOnlyTheSelection();
    void progressWindowDuringARun();
    void cancelClickRestoresText();
    void typingDuringARunChangesNothing();
    void closingTheProgressWindowDoesNotCancel();
    void closingTheMainWindowDuringARunAsksOverIt();
    void ctrlShiftGDecodesCancelsAndUndoes();
    void intakeAnswersAndCancelsWithoutReplay_data();
    void intakeAnswersAndCancelsWithoutReplay();

    void progressWindowLayout_data();
    void progressWindowLayout();
    void onlyTheButtonCancels();
    void halfWayPercentageIsTwoColoured();

private:
    void pressCtrlG() { QVERIFY(m_main.pressShortcut(Qt::Key_G)); }

    MainWindowFixture m_main;
};

void TestConvertUi::ctrlGConvertsAndUndoRestores()
{
    const QString text = QStringLiteral("Дом & сад");
    setTextOf(m_main.text(), text);
    QAction *undo = m_main->menuAction(MenuItem::Undo);
    QVERIFY(!undo->isEnabled());
    pressCtrlG();
    QCOMPARE(textOf(m_main.text()),
             QStringLiteral("&#1044;&#1086;&#1084;&nbsp;&amp;&nbsp;&#1089;&#1072;&#1076;"));
    QVERIFY(undo->isEnabled());
    QVERIFY(!m_main.text()->isReadOnly());
    undo->trigger();
    QCOMPARE(textOf(m_main.text()), text);
    QVERIFY(!undo->isEnabled());
}

void TestConvertUi::convertsOnlyTheSelection()
{
    setTextOf(m_main.text(), QStringLiteral("a b\r\nc d"));
    QTextCursor c = m_main.text()->textCursor();
    c.setPosition(4); // "c" in the view, after the one-position line break
    c.setPosition(7, QTextCursor::KeepAnchor);
    m_main.text()->setTextCursor(c);
    pressCtrlG();
    QCOMPARE(textOf(m_main.text()), QStringLiteral("a b\r\nc&nbsp;d"));
}

void TestConvertUi::progressWindowDuringARun()
{
    const QString text = prose(300000);
    setTextOf(m_main.text(), text);
    QStringList seen;
    bool locked = false;
    ProgressProbe probe([&](frmConv *conv) {
        seen << conv->windowTitle()
             << conv->findChild<QLabel *>(QStringLiteral("Label1"))->text()
             << conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel"))->text();
        const QString per1 = conv->findChild<QLabel *>(QStringLiteral("lblPer1"))->text();
        const QString per2 = conv->findChild<QLabel *>(QStringLiteral("lblPer2"))->text();
        seen << QString::number(per1 == per2 && per1.endsWith(QLatin1Char('%')));
        locked = m_main.text()->isReadOnly()
                 && !m_main->menuAction(MenuItem::Gen)->isEnabled()
                 && !m_main->menuAction(MenuItem::Ungen)->isEnabled()
                 && !m_main->menuAction(MenuItem::Undo)->isEnabled()
                 && !m_main->menuAction(MenuItem::Open)->isEnabled()
                 && !m_main->menuAction(MenuItem::Save)->isEnabled();
        seen << QString::number(conv->parentWidget() == m_main.window());
        return true;
    });
    pressCtrlG();
    QCOMPARE(seen, QStringList({QStringLiteral("::преобразование..."),
                                QStringLiteral("::выполнено:"), QStringLiteral("::отмена..."),
                                QStringLiteral("1"), QStringLiteral("1")}));
    QVERIFY(locked);
    QVERIFY(!visibleProgressWindow());
    flushDeferredDeletes();
    QVERIFY(!m_main->findChild<frmConv *>());
    QCOMPARE(textOf(m_main.text()), toReferences(text));
    QVERIFY(m_main->menuAction(MenuItem::Open)->isEnabled());
    QVERIFY(!m_main.text()->isReadOnly());
}

void TestConvertUi::cancelClickRestoresText()
{
    const QString text = prose(300000);
    setTextOf(m_main.text(), text);
    ProgressProbe probe([](frmConv *conv) {
        QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                          Qt::LeftButton);
        return true;
    });
    pressCtrlG();
    QCOMPARE(textOf(m_main.text()), text);
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 0);
    QVERIFY(!m_main->menuAction(MenuItem::Undo)->isEnabled());
    QVERIFY(!visibleProgressWindow());
}

void TestConvertUi::typingDuringARunChangesNothing()
{
    const QString text = prose(300000);
    setTextOf(m_main.text(), text);
    ProgressProbe probe([this](frmConv *) {
        m_main.text()->setFocus();
        QTest::keyClicks(m_main.text(), QStringLiteral("zz"));
        QTest::keyClick(m_main.text(), Qt::Key_Backspace);
        QTest::keyClick(m_main.text(), Qt::Key_Z, Qt::ControlModifier);
        m_main->menuAction(MenuItem::Undo)->trigger();
        m_main->menuAction(MenuItem::Gen)->trigger();
        return true;
    });
    pressCtrlG();
    QCOMPARE(textOf(m_main.text()), toReferences(text));
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 1);
}

void TestConvertUi::closingTheProgressWindowDoesNotCancel()
{
    const QString text = prose(300000);
    setTextOf(m_main.text(), text);
    int closes = 0;
    bool reshown = false;
    ProgressProbe probe([&](frmConv *conv) {
        if (closes == 0) {
            conv->close();
            ++closes;
            return false;
        }
        reshown = conv->isVisible();
        return true;
    });
    pressCtrlG();
    QVERIFY(reshown);
    QCOMPARE(textOf(m_main.text()), toReferences(text));
}

void TestConvertUi::closingTheMainWindowDuringARunAsksOverIt()
{
    const QString text = prose(300000);
    setTextOf(m_main.text(), text); // unsaved: closing asks first
    bool runStillOn = false;
    bool closedDuringRun = true;
    // The exit prompt comes over the paused run; Cancel lets it go on.
    ScriptedUser user;
    user.promptAnswer = QMessageBox::Cancel;
    user.onShown = [&](QWidget *) { runStillOn = zezu::test::runOf(m_main->editor()).inProgress(); };
    ProgressProbe probe([&](frmConv *) {
        closedDuringRun = m_main->close();
        return true;
    });
    pressCtrlG();
    // Only the prompt: Cancel asks for no save dialog.
    QCOMPARE(user.seen.size(), size_t(1));
    QCOMPARE(user.seen.front().kind, ScriptedUser::Kind::Prompt);
    QVERIFY(!user.seen.front().text.isEmpty());
    QVERIFY(runStillOn);
    QVERIFY(!closedDuringRun);
    QCOMPARE(textOf(m_main.text()), toReferences(text));
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 1);
    QVERIFY(m_main->isVisible());
}

void TestConvertUi::ctrlShiftGDecodesCancelsAndUndoes()
{
    TextArea *area = m_main.text();
    auto select = [area](int start, int end) {
        QTextCursor c = area->textCursor();
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        area->setTextCursor(c);
    };
    auto pressCtrlShiftG = [this] {
        QVERIFY(m_main.pressShortcut(Qt::Key_G, Qt::ShiftModifier));
    };
    // A reference the selection cuts in two stays as it is.
    setTextOf(area, QStringLiteral("x&amp;y&lt;z"));
    select(1, 5);
    pressCtrlShiftG();
    QCOMPARE(textOf(area), QStringLiteral("x&amp;y&lt;z"));
    select(1, 6);
    pressCtrlShiftG();
    QCOMPARE(textOf(area), QStringLiteral("x&y&lt;z"));
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 2);

    // Cancel puts the text back and takes its snapshot back; Undo after a
    // completed decode brings the references back.
    const QString plain = prose(300000);
    const QString references = toReferences(plain);
    setTextOf(area, references);
    ProgressProbe probe([](frmConv *conv) {
        QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                          Qt::LeftButton);
        return true;
    });
    pressCtrlShiftG();
    QCOMPARE(textOf(area), references);
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 2);
    QVERIFY(m_main->menuAction(MenuItem::Ungen)->isEnabled());
    pressCtrlShiftG();
    QCOMPARE(textOf(area), plain);
    m_main->menuAction(MenuItem::Undo)->trigger();
    QCOMPARE(textOf(area), references);
}

void TestConvertUi::intakeAnswersAndCancelsWithoutReplay_data()
{
    QTest::addColumn<int>("cancelAtPiece"); // 0: let it finish
    for (const int piece : {0, 1, 2})
        QTest::addRow("cancel at piece %d", piece) << piece;
}

// A large result goes into the text area in pieces while the window answers:
// keys pressed meanwhile change nothing and are not replayed afterwards.
void TestConvertUi::intakeAnswersAndCancelsWithoutReplay()
{
    QFETCH(int, cancelAtPiece);
    // The document is a file, unmodified.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(writeBytes(file, encodeCp1251(prose(600000)))); // some 4 M units converted
    m_main->editor().openFile(file);
    const QString text = textOf(m_main.text());
    QCOMPARE(m_main->windowTitle(), QStringLiteral("ZEZU.vexlo - a.txt"));
    const QTextDocument *before = m_main.text()->document();
    int pieces = 0;
    bool selectedDuringIntake = false;
    QString titleDuringIntake;
    ProgressProbe probe([&](frmConv *conv) {
        if (m_main.text()->document() == before)
            return false; // still converting
        ++pieces;
        titleDuringIntake = conv->windowTitle();
        QTest::keyClicks(m_main.text(), QStringLiteral("zz"));
        QTest::keyClick(m_main.text(), Qt::Key_G, Qt::ControlModifier);
        // Selecting all of a growing text would hold the window.
        QTest::keyClick(m_main.text(), Qt::Key_A, Qt::ControlModifier);
        selectedDuringIntake = selectedDuringIntake || m_main.text()->textCursor().hasSelection();
        if (pieces == cancelAtPiece) {
            QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                              Qt::LeftButton);
            return true;
        }
        return false;
    });
    pressCtrlG();
    QCoreApplication::processEvents();
    QCOMPARE(titleDuringIntake, QStringLiteral("::преобразование..."));
    QVERIFY(!selectedDuringIntake);
    QVERIFY(pieces >= std::max(1, cancelAtPiece));
    QVERIFY(!visibleProgressWindow());
    QVERIFY(!m_main.text()->isReadOnly());
    if (cancelAtPiece) {
        QCOMPARE(textOf(m_main.text()), text);
        QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 0);
        QCOMPARE(m_main->windowTitle(), QStringLiteral("ZEZU.vexlo - a.txt"));
    } else {
        QCOMPARE(textOf(m_main.text()), toReferences(text));
        QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 1);
        QCOMPARE(m_main->windowTitle(), QStringLiteral("ZEZU.vexlo - a.txt*"));
    }
}

void TestConvertUi::progressWindowLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // in the parent, pixels
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Label1") << "Label1" << QRect() << "Tahoma" << 8.25 << false;
    QTest::newRow("picBck") << "picBck" << QRect(4, 30, 262, 16) << "" << 0.0 << false;
    QTest::newRow("lblPer1") << "lblPer1" << QRect(0, 0, 259, 10) << "Verdana" << 6.75 << true;
    QTest::newRow("lblPer2") << "lblPer2" << QRect(0, 0, 259, 10) << "Verdana" << 6.75 << true;
    QTest::newRow("Picture1") << "Picture1" << QRect(178, 57, 88, 25) << "" << 0.0 << false;
    QTest::newRow("cmdCacnel") << "cmdCacnel" << QRect(2, 2, 84, 21) << "Tahoma" << 8.25 << true;
}

void TestConvertUi::progressWindowLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, family);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    frmConv conv(m_main.window(), [] {}, [] {});
    conv.show();
    QCOMPARE(conv.size(), QSize(269, 87));
    QCOMPARE(conv.minimumSize(), conv.maximumSize());
    QVERIFY(conv.windowFlags() & Qt::Tool);
    QVERIFY(!(conv.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    auto *w = conv.findChild<QWidget *>(name);
    QVERIFY(w);
    if (geometry.isValid())
        QCOMPARE(w->geometry(), geometry);
    if (!family.isEmpty()) {
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pointSizeF(), points);
        QCOMPARE(w->font().bold(), bold);
    }
    const QPoint screenCentre = conv.screen()->availableGeometry().center();
    // Centred on the screen; the frame may shift it by its own width.
    QVERIFY2((conv.geometry().center() - screenCentre).manhattanLength() <= 8,
             qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                            .arg(conv.geometry().center().x())
                            .arg(conv.geometry().center().y())
                            .arg(screenCentre.x())
                            .arg(screenCentre.y())));
}

void TestConvertUi::onlyTheButtonCancels()
{
    int cancels = 0;
    frmConv conv(m_main.window(), [&] { ++cancels; }, [] {});
    conv.show();
    QVERIFY(QTest::qWaitForWindowExposed(&conv));
    auto *button = conv.findChild<QPushButton *>(QStringLiteral("cmdCacnel"));
    button->setFocus();
    QTest::keyClick(&conv, Qt::Key_Escape);
    QTest::keyClick(&conv, Qt::Key_Return);
    QTest::keyClick(&conv, Qt::Key_Enter);
    QCOMPARE(cancels, 0);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(cancels, 2);
    conv.close();
    QCOMPARE(cancels, 2);
}

void TestConvertUi::halfWayPercentageIsTwoColoured()
{
    frmConv conv(m_main.window(), [] {}, [] {});
    conv.show();
    QVERIFY(QTest::qWaitForWindowExposed(&conv));
    const int bar = conv.barWidthPx();
    conv.setProgress(50, int(bar * 0.5));
    const QImage image = conv.grab().toImage();
    if (const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR"); !dir.isEmpty())
        image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("frmConv.png")));

    auto *per1 = conv.findChild<QLabel *>(QStringLiteral("lblPer1"));
    auto *done = conv.findChild<QWidget *>(QStringLiteral("picDone"));
    QCOMPARE(per1->text(), QStringLiteral("50%"));
    QCOMPARE(conv.findChild<QLabel *>(QStringLiteral("lblPer2"))->text(), QStringLiteral("50%"));
    const QRect label(per1->mapTo(&conv, QPoint(0, 0)), per1->size());
    const int boundary = done->mapTo(&conv, QPoint(done->width(), 0)).x();
    // Glyph edges are antialiased, so pixels are judged by lightness against
    // what lies under the text: on the filled bar the text is lighter than the
    // highlight colour, beyond it darker than the bar's background.
    auto lightness = [&](int x, int y) {
        const QColor p = image.pixelColor(x, y);
        return p.red() + p.green() + p.blue();
    };
    auto count = [&](int from, int to, auto &&accept) {
        int n = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = from; x < to; ++x)
                n += accept(lightness(x, y));
        return n;
    };
    const int filled = lightness(label.left() + 1, label.bottom());
    const int empty = lightness(label.right() - 1, label.bottom());
    QVERIFY(empty > filled + 90);
    QVERIFY(count(label.left(), boundary, [&](int l) { return l > filled + 90; }) > 5);
    QCOMPARE(count(label.left(), boundary, [&](int l) { return l < filled - 30; }), 0);
    QVERIFY(count(boundary, label.right(), [&](int l) { return l < empty - 90; }) > 5);
    QCOMPARE(count(boundary, label.right(), [&](int l) { return l > empty + 30; }), 0);
}

QTEST_MAIN(TestConvertUi)
#include "test_convert_ui.moc"
