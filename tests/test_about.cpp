// The about box, opened from the real main window's menu, headless: its frame
// and controls, one box at a time, a fresh load after OK, and a main window
// that keeps working while it is open.
#include "art/Banner.h"
#include "version/VersionRecord.h"
#include "support/MainWindowFixture.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

using namespace zezu;
using zezu::test::setTextOf;
using zezu::test::textOf;

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open(false)); }
    void cleanup();

    void applicationCarriesTheRecord();
    void frameOwnerAndPlacement();
    void controls_data();
    void controls();
    void bannerAndVersionLine();
    void secondChoiceKeepsTheOneBox();
    void okDestroysAndTheNextChoiceLoadsAfresh();
    void choiceRightAfterOkMakesAFreshBox();
    void closeBoxActsLikeOk();
    void keysDoNotPressOk_data();
    void keysDoNotPressOk();
    void mainWindowKeepsWorking();

private:
    void chooseAbout() { m_main->menuAction(MenuItem::About)->trigger(); }
    // The about boxes that exist and have not been unloaded.
    QList<frmAbout *> openBoxes() const;
    frmAbout *openBox() const;
    template<typename T>
    static T *child(QWidget *box, const char *name)
    {
        return box->findChild<T *>(QString::fromLatin1(name));
    }

    test::MainWindowFixture m_main;
};

QList<frmAbout *> TestAbout::openBoxes() const
{
    QList<frmAbout *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmAbout")) {
            auto *box = qobject_cast<frmAbout *>(w);
            if (box && !box->isUnloaded())
                boxes << box;
        }
    }
    return boxes;
}

frmAbout *TestAbout::openBox() const
{
    const QList<frmAbout *> boxes = openBoxes();
    return boxes.size() == 1 ? boxes.constFirst() : nullptr;
}

void TestAbout::cleanup()
{
    m_main.close();
    QVERIFY(openBoxes().isEmpty());
}

void TestAbout::applicationCarriesTheRecord()
{
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.0"));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("::quillotrons..."));
    QCOMPARE(QGuiApplication::desktopFileName(), record::kApplicationId.toString());
}

void TestAbout::frameOwnerAndPlacement()
{
    QVERIFY(openBoxes().isEmpty());
    chooseAbout();
    frmAbout *box = openBox();
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QCOMPARE(box->windowTitle(), QStringLiteral("::о программе..."));
    QCOMPARE(box->size(), QSize(214, 151));
    QCOMPARE(box->minimumSize(), box->maximumSize());
    const Qt::WindowFlags flags = box->windowFlags();
    QCOMPARE(box->windowType(), Qt::Tool);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(box->parentWidget(), m_main.window());
    QCOMPARE(box->windowModality(), Qt::NonModal);
    QVERIFY(!QApplication::activeModalWidget());
    // Centred on the screen, give or take the window frame's margins.
    const QPoint off = box->geometry().center() - m_main->screen()->availableGeometry().center();
    const QMargins frame(box->geometry().left() - box->frameGeometry().left(),
                         box->geometry().top() - box->frameGeometry().top(),
                         box->frameGeometry().right() - box->geometry().right(),
                         box->frameGeometry().bottom() - box->geometry().bottom());
    QVERIFY2(std::abs(off.x()) <= std::max(frame.left(), frame.right()) + 1
                 && std::abs(off.y()) <= std::max(frame.top(), frame.bottom()) + 1,
             qPrintable(QStringLiteral("%1,%2 off the centre").arg(off.x()).arg(off.y())));
}

void TestAbout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    // Positions in pixels, inside the parent's interior: twips / 15.
    QTest::newRow("Label1") << "Label1" << "frmAbout" << QPoint(39, 76) << "::автор: вельдир..."
                            << "Tahoma" << 8.25;
    QTest::newRow("Label2") << "Label2" << "frmAbout" << QPoint(81, 88) << "by ::quillotrons..."
                            << "Verdana" << 6.75;
    QTest::newRow("lblVer") << "lblVer" << "Picture1" << QPoint(95, 30) << "::версия: 1.0..."
                            << "Verdana" << 6.75;
    QTest::newRow("cmdOk") << "cmdOk" << "Picture2" << QPoint(0, 0) << "::ok..." << "Tahoma"
                           << 8.25;
}

void TestAbout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QPoint, pos);
    QFETCH(QString, caption);
    QFETCH(QString, family);
    QFETCH(double, points);
    chooseAbout();
    frmAbout *box = openBox();
    QVERIFY(box);
    QWidget *control = box->findChild<QWidget *>(name);
    QVERIFY(control);
    QWidget *container = parent == box->objectName() ? box : box->findChild<QWidget *>(parent);
    QVERIFY(container);
    QVERIFY(container->isAncestorOf(control));

    QPoint interior(0, 0);
    if (auto *frame = qobject_cast<QFrame *>(container))
        interior = frame->contentsRect().topLeft();
    QCOMPARE(control->mapTo(container, QPoint(0, 0)) - interior, pos);

    if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(label->text(), caption);
        // Sized to its text.
        QCOMPARE(label->size(), label->sizeHint());
        QVERIFY(!label->autoFillBackground());
    } else {
        auto *button = qobject_cast<QPushButton *>(control);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        // It fills the interior of the box that frames it.
        QCOMPARE(button->geometry(), static_cast<QFrame *>(container)->contentsRect());
        QCOMPARE(button->size(), QSize(75, 23));
    }
    QCOMPARE(control->font().family(), family);
    QCOMPARE(control->font().pointSizeF(), points);
    QVERIFY(control->font().bold());
}

void TestAbout::bannerAndVersionLine()
{
    chooseAbout();
    frmAbout *box = openBox();
    QVERIFY(box);
    auto *picture1 = child<QFrame>(box, "Picture1");
    auto *picture2 = child<QFrame>(box, "Picture2");
    QVERIFY(picture1 && picture2);
    // The picture box is the banner plus its border.
    QCOMPARE(picture1->geometry(), QRect(6, 9, 204, 54));
    QCOMPARE(picture1->contentsRect().size(), QSize(200, 50));
    QCOMPARE(picture2->geometry(), QRect(131, 119, 79, 27));
    auto *banner = child<QLabel>(box, "banner");
    QVERIFY(banner);
    QCOMPARE(banner->geometry(), picture1->contentsRect());
    QCOMPARE(banner->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             bannerImage().convertToFormat(QImage::Format_RGB32));

    auto *lblVer = child<QLabel>(box, "lblVer");
    QVERIFY(lblVer);
    QCOMPARE(lblVer->palette().color(QPalette::WindowText), QColor(224, 224, 224));
    // Light on the banner: its pixels under the line are dark.
    QVERIFY(QTest::qWaitForWindowExposed(box));
    const QImage shot = box->grab().toImage();
    const QRect line(lblVer->mapTo(box, QPoint(0, 0)), lblVer->size());
    QVERIFY(banner->geometry().translated(picture1->pos()).contains(line));
    int light = 0;
    for (int y = line.top(); y <= line.bottom(); ++y)
        for (int x = line.left(); x <= line.right(); ++x)
            light += qGray(shot.pixel(x, y)) > 150;
    QVERIFY2(light > 20, "the version line is drawn light on the dark banner");

    if (const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR"); !dir.isEmpty()) {
        const QDir out(QString::fromLocal8Bit(dir));
        QVERIFY(shot.save(out.filePath(QStringLiteral("frmAbout.png"))));
        QVERIFY(shot.scaled(shot.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(out.filePath(QStringLiteral("frmAbout-x3.png"))));
    }
}

void TestAbout::secondChoiceKeepsTheOneBox()
{
    chooseAbout();
    QPointer<frmAbout> first = openBox();
    QVERIFY(first);
    // Marks the version line: a second load handler would write it again.
    auto *lblVer = child<QLabel>(first, "lblVer");
    lblVer->setText(QStringLiteral("marked"));
    first->hide();

    chooseAbout();
    QCOMPARE(openBoxes().size(), 1);
    QCOMPARE(openBox(), first.data());
    QCOMPARE(lblVer->text(), QStringLiteral("marked"));
    QVERIFY(first->isVisible());
}

void TestAbout::okDestroysAndTheNextChoiceLoadsAfresh()
{
    chooseAbout();
    QPointer<frmAbout> first = openBox();
    QVERIFY(first);
    auto *cmdOk = child<QPushButton>(first, "cmdOk");
    QVERIFY(cmdOk);
    QTest::mouseClick(cmdOk, Qt::LeftButton);
    QVERIFY(!first->isVisible());
    test::flushDeferredDeletes();
    QVERIFY(first.isNull());
    QVERIFY(openBoxes().isEmpty());

    chooseAbout();
    frmAbout *second = openBox();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QCOMPARE(child<QLabel>(second, "lblVer")->text(), QStringLiteral("::версия: 1.0..."));
}

void TestAbout::choiceRightAfterOkMakesAFreshBox()
{
    // OK pressed while a conversion lets events run: the old box is only
    // deleted later, but it must not come back.
    chooseAbout();
    QPointer<frmAbout> first = openBox();
    QVERIFY(first);
    child<QLabel>(first, "lblVer")->setText(QStringLiteral("marked"));
    QTest::mouseClick(child<QPushButton>(first, "cmdOk"), Qt::LeftButton);
    QVERIFY(first);

    chooseAbout();
    frmAbout *second = openBox();
    QVERIFY(second);
    QVERIFY(second != first.data());
    QVERIFY(!first->isVisible());
    QCOMPARE(child<QLabel>(second, "lblVer")->text(), QStringLiteral("::версия: 1.0..."));
    test::flushDeferredDeletes();
    QVERIFY(first.isNull());
    QCOMPARE(openBox(), second);
}

void TestAbout::closeBoxActsLikeOk()
{
    chooseAbout();
    QPointer<frmAbout> first = openBox();
    QVERIFY(first);
    QVERIFY(first->close());
    QVERIFY(!first->isVisible());
    test::flushDeferredDeletes();
    QVERIFY(first.isNull());
    chooseAbout();
    QVERIFY(openBox());
}

void TestAbout::keysDoNotPressOk_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestAbout::keysDoNotPressOk()
{
    QFETCH(int, key);
    chooseAbout();
    QPointer<frmAbout> box = openBox();
    QVERIFY(box);
    auto *cmdOk = child<QPushButton>(box, "cmdOk");
    QVERIFY(!cmdOk->isDefault());
    QVERIFY(!cmdOk->autoDefault());
    QVERIFY(QTest::qWaitForWindowActive(box));
    cmdOk->setFocus();
    QTest::keyClick(cmdOk, Qt::Key(key));
    QTest::keyClick(box, Qt::Key(key));
    test::flushDeferredDeletes();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isUnloaded());
}

void TestAbout::mainWindowKeepsWorking()
{
    chooseAbout();
    QPointer<frmAbout> box = openBox();
    QVERIFY(box);

    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.window()));
    TextArea *text = m_main.text();
    text->setFocus();
    test::typeInto(text, QStringLiteral("Дом & сад"));
    QCOMPARE(textOf(text), QStringLiteral("Дом & сад"));
    QVERIFY(m_main->windowTitle().endsWith(QLatin1Char('*')));

    // Ctrl+G converts the whole text while the box stays open.
    QVERIFY(m_main.pressShortcut(Qt::Key_G));
    QCOMPARE(textOf(text), QStringLiteral("&#1044;&#1086;&#1084;&nbsp;&amp;&nbsp;"
                                          "&#1089;&#1072;&#1076;"));
    QVERIFY(m_main->menuAction(MenuItem::Undo)->isEnabled());
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(openBoxes().size(), 1);
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
