#pragma once

// The real main window, headless, built afresh for every test function, and
// the small things the widget tests do to it.

#include "support/ViewText.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmConv.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <QDropEvent>

#include <functional>
#include <optional>
#include <utility>

namespace zezu::test {

// Whatever deleteLater left for the event loop, deleted now.
inline void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Saves a picture of the widget when ZEZU_SCREENSHOT_DIR names a folder.
inline void shoot(QWidget *widget, const QString &name)
{
    const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        widget->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name + QStringLiteral(".png")));
}

// The progress window while it shows; null otherwise.
inline frmConv *visibleProgressWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmConv") && w->isVisible())
            return static_cast<frmConv *>(w);
    return nullptr;
}

// Russian prose with markup characters and CR LF breaks, at least this long.
inline QString prose(qsizetype atLeast)
{
    const QString paragraph = QStringLiteral(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. "
        "\"Дом\" & <сад> — ёлка.\r\n");
    QString text;
    while (text.size() < atLeast)
        text += paragraph;
    return text;
}

// Types text as key events. QTest::keyClicks takes Latin-1 only; Cyrillic is
// sent as the key events' text.
inline void typeInto(QWidget *widget, const QString &typed)
{
    for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Drops data on the target, at the point given (its centre by default), as a
// drag from another program would.
inline void drop(QWidget *target, QMimeData *data, std::optional<QPoint> point = {})
{
    const QPoint at = point.value_or(target->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
}

// Runs probe inside the event pump of the next conversions whenever the
// progress window is up, until it returns true or this goes out of scope.
class ProgressProbe
{
public:
    explicit ProgressProbe(std::function<bool(frmConv *)> probe)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, probe = std::move(probe)] {
            frmConv *conv = visibleProgressWindow();
            if (conv && probe(conv))
                m_timer.stop();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

// One main window: a test class holds one, opens it in init() and closes it
// in cleanup().
class MainWindowFixture
{
public:
    MainWindowFixture() = default;
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;
    ~MainWindowFixture() { delete m_window; }

    // Builds and shows the window, once the application is set up as the
    // editor sets it up; true once it is exposed and, when asked, active.
    [[nodiscard]] bool open(bool activate = true)
    {
        static const bool setUp = [] {
            setUpApplication(*qApp);
            return true;
        }();
        Q_UNUSED(setUp);
        m_window = new frmMain;
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window))
            return false;
        if (!activate)
            return true;
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window);
    }

    // Deletes the window and whatever it left for deferred deletion.
    void close()
    {
        delete m_window;
        m_window = nullptr;
        flushDeferredDeletes();
        // A program end asks every event loop to quit, and the next one to
        // start would return at once: let one loop run and take that request.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }

    frmMain *window() const { return m_window; }
    frmMain *operator->() const { return m_window; }
    TextArea *text() const { return m_window->textArea(); }

    // Ctrl+key in the text area, as a user presses it; false when the window
    // could not be made active (a closed dialog may leave none active, and a
    // shortcut needs one).
    [[nodiscard]] bool pressShortcut(Qt::Key key, Qt::KeyboardModifiers more = {})
    {
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window))
            return false;
        text()->setFocus();
        QTest::keyClick(text(), key, Qt::ControlModifier | more);
        return true;
    }

    QString textValue() const { return textOf(text()); }

    // Types at the end of the text.
    void typeAtEnd(const QString &typed)
    {
        QTextCursor cursor = text()->textCursor();
        cursor.movePosition(QTextCursor::End);
        text()->setTextCursor(cursor);
        text()->setFocus();
        typeInto(text(), typed);
    }

private:
    frmMain *m_window = nullptr;
};

} // namespace zezu::test
