// The convert command and the progress window, for real and headless, through
// the menu, the shortcut and the Cancel button.
#include "convert/ReferenceConverter.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmConv.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace zezu;

namespace {

frmConv *progressWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmConv") && w->isVisible())
            return static_cast<frmConv *>(w);
    return nullptr;
}

QString prose(qsizetype atLeast)
{
    const QString paragraph = QStringLiteral(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. "
        "\"Дом\" & <сад> — ёлка.\r\n");
    QString text;
    while (text.size() < atLeast)
        text += paragraph;
    return text;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestConvertUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpApplication(*qApp); }
    void init();
    void cleanup();

    void ctrlGConvertsAndUndoRestores();
    void convertsOnlyTheSelection();
    void progressWindowDuringARun();
    void cancelClickRestoresText();
    void typingDuringARunChangesNothing();
    void closingTheProgressWindowDoesNotCancel();
    void closingTheMainWindowDuringARunAsksOverIt();
    void ctrlShiftGDecodesCancelsAndUndoes();

    void progressWindowLayout_data();
    void progressWindowLayout();
    void onlyTheButtonCancels();
    void halfWayPercentageIsTwoColoured();

private:
    // Runs probe inside the event pump of the next conversion, once the
    // progress window is up; it returns true when done.
    void duringNextRun(std::function<bool(frmConv *)> probe);
    void pressCtrlG(Qt::KeyboardModifiers more = {});

    frmMain *m_window = nullptr;
    QTimer *m_probe = nullptr;
};

void TestConvertUi::init()
{
    m_window = new frmMain;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestConvertUi::cleanup()
{
    delete m_probe;
    m_probe = nullptr;
    delete m_window;
    m_window = nullptr;
    flushDeletes();
}

void TestConvertUi::duringNextRun(std::function<bool(frmConv *)> probe)
{
    delete m_probe;
    m_probe = new QTimer;
    m_probe->setInterval(0);
    connect(m_probe, &QTimer::timeout, m_probe, [this, probe = std::move(probe)] {
        frmConv *conv = progressWindow();
        if (conv && probe(conv))
            m_probe->stop();
    });
    m_probe->start();
}

void TestConvertUi::pressCtrlG(Qt::KeyboardModifiers more)
{
    m_window->textArea()->setFocus();
    QTest::keyClick(m_window->textArea(), Qt::Key_G, Qt::ControlModifier | more);
}

void TestConvertUi::ctrlGConvertsAndUndoRestores()
{
    const QString text = QStringLiteral("Дом & сад");
    m_window->textArea()->setText(text);
    QAction *undo = m_window->menuAction(MenuItem::Undo);
    QVERIFY(!undo->isEnabled());
    pressCtrlG();
    QCOMPARE(m_window->textArea()->text(),
             QStringLiteral("&#1044;&#1086;&#1084;&nbsp;&amp;&nbsp;&#1089;&#1072;&#1076;"));
    QVERIFY(undo->isEnabled());
    QVERIFY(!m_window->textArea()->isReadOnly());
    undo->trigger();
    QCOMPARE(m_window->textArea()->text(), text);
    QVERIFY(!undo->isEnabled());
}

void TestConvertUi::convertsOnlyTheSelection()
{
    m_window->textArea()->setText(QStringLiteral("a b\r\nc d"));
    QTextCursor c = m_window->textArea()->textCursor();
    c.setPosition(4); // "c" in the view, after the one-position line break
    c.setPosition(7, QTextCursor::KeepAnchor);
    m_window->textArea()->setTextCursor(c);
    pressCtrlG();
    QCOMPARE(m_window->textArea()->text(), QStringLiteral("a b\r\nc&nbsp;d"));
}

void TestConvertUi::progressWindowDuringARun()
{
    const QString text = prose(300000);
    m_window->textArea()->setText(text);
    QStringList seen;
    bool locked = false;
    duringNextRun([&](frmConv *conv) {
        seen << conv->windowTitle()
             << conv->findChild<QLabel *>(QStringLiteral("Label1"))->text()
             << conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel"))->text();
        const QString per1 = conv->findChild<QLabel *>(QStringLiteral("lblPer1"))->text();
        const QString per2 = conv->findChild<QLabel *>(QStringLiteral("lblPer2"))->text();
        seen << QString::number(per1 == per2 && per1.endsWith(QLatin1Char('%')));
        locked = m_window->textArea()->isReadOnly()
                 && !m_window->menuAction(MenuItem::Gen)->isEnabled()
                 && !m_window->menuAction(MenuItem::Ungen)->isEnabled()
                 && !m_window->menuAction(MenuItem::Undo)->isEnabled()
                 && !m_window->menuAction(MenuItem::Open)->isEnabled()
                 && !m_window->menuAction(MenuItem::Save)->isEnabled();
        seen << QString::number(conv->parentWidget() == m_window);
        return true;
    });
    pressCtrlG();
    QCOMPARE(seen, QStringList({QStringLiteral("::преобразование..."),
                                QStringLiteral("::выполнено:"), QStringLiteral("::отмена..."),
                                QStringLiteral("1"), QStringLiteral("1")}));
    QVERIFY(locked);
    QVERIFY(!progressWindow());
    flushDeletes();
    QVERIFY(!m_window->findChild<frmConv *>());
    QCOMPARE(m_window->textArea()->text(), toReferences(text));
    QVERIFY(m_window->menuAction(MenuItem::Open)->isEnabled());
    QVERIFY(!m_window->textArea()->isReadOnly());
}

void TestConvertUi::cancelClickRestoresText()
{
    const QString text = prose(300000);
    m_window->textArea()->setText(text);
    duringNextRun([](frmConv *conv) {
        QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                          Qt::LeftButton);
        return true;
    });
    pressCtrlG();
    QCOMPARE(m_window->textArea()->text(), text);
    QCOMPARE(m_window->editor().history().count(), 0);
    QVERIFY(!m_window->menuAction(MenuItem::Undo)->isEnabled());
    QVERIFY(!progressWindow());
}

void TestConvertUi::typingDuringARunChangesNothing()
{
    const QString text = prose(300000);
    m_window->textArea()->setText(text);
    duringNextRun([this](frmConv *) {
        m_window->textArea()->setFocus();
        QTest::keyClicks(m_window->textArea(), QStringLiteral("zz"));
        QTest::keyClick(m_window->textArea(), Qt::Key_Backspace);
        QTest::keyClick(m_window->textArea(), Qt::Key_Z, Qt::ControlModifier);
        m_window->menuAction(MenuItem::Undo)->trigger();
        m_window->menuAction(MenuItem::Gen)->trigger();
        return true;
    });
    pressCtrlG();
    QCOMPARE(m_window->textArea()->text(), toReferences(text));
    QCOMPARE(m_window->editor().history().count(), 1);
}

void TestConvertUi::closingTheProgressWindowDoesNotCancel()
{
    const QString text = prose(300000);
    m_window->textArea()->setText(text);
    int closes = 0;
    bool reshown = false;
    duringNextRun([&](frmConv *conv) {
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
    QCOMPARE(m_window->textArea()->text(), toReferences(text));
}

void TestConvertUi::closingTheMainWindowDuringARunAsksOverIt()
{
    const QString text = prose(300000);
    m_window->textArea()->setText(text); // unsaved: closing asks first
    QString askedWhileRunning;
    bool runStillOn = false;
    bool closedDuringRun = true;
    duringNextRun([&](frmConv *) {
        // The exit prompt comes over the paused run; Cancel lets it go on.
        QTimer::singleShot(0, m_window, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                askedWhileRunning = box->text();
                runStillOn = m_window->editor().run().inProgress();
                box->button(QMessageBox::Cancel)->click();
            }
        });
        closedDuringRun = m_window->close();
        return true;
    });
    pressCtrlG();
    QVERIFY(!askedWhileRunning.isEmpty());
    QVERIFY(runStillOn);
    QVERIFY(!closedDuringRun);
    QCOMPARE(m_window->textArea()->text(), toReferences(text));
    QCOMPARE(m_window->editor().history().count(), 1);
    QVERIFY(m_window->isVisible());
}

void TestConvertUi::ctrlShiftGDecodesCancelsAndUndoes()
{
    TextArea *area = m_window->textArea();
    auto select = [area](int start, int end) {
        QTextCursor c = area->textCursor();
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        area->setTextCursor(c);
    };
    // A reference the selection cuts in two stays as it is.
    area->setText(QStringLiteral("x&amp;y&lt;z"));
    select(1, 5);
    pressCtrlG(Qt::ShiftModifier);
    QCOMPARE(area->text(), QStringLiteral("x&amp;y&lt;z"));
    select(1, 6);
    pressCtrlG(Qt::ShiftModifier);
    QCOMPARE(area->text(), QStringLiteral("x&y&lt;z"));
    QCOMPARE(m_window->editor().history().count(), 2);

    // Cancel puts the text back and takes its snapshot back; Undo after a
    // completed decode brings the references back.
    const QString plain = prose(300000);
    const QString references = toReferences(plain);
    area->setText(references);
    duringNextRun([](frmConv *conv) {
        QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                          Qt::LeftButton);
        return true;
    });
    pressCtrlG(Qt::ShiftModifier);
    QCOMPARE(area->text(), references);
    QCOMPARE(m_window->editor().history().count(), 2);
    QVERIFY(m_window->menuAction(MenuItem::Ungen)->isEnabled());
    pressCtrlG(Qt::ShiftModifier);
    QCOMPARE(area->text(), plain);
    m_window->menuAction(MenuItem::Undo)->trigger();
    QCOMPARE(area->text(), references);
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
    frmConv conv(m_window, [] {}, [] {});
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
    frmConv conv(m_window, [&] { ++cancels; }, [] {});
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
    frmConv conv(m_window, [] {}, [] {});
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
