#include "ui/frmConv.h"

#include "ui/Fonts.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zezu {

namespace {

QLabel *percentLabel(QWidget *parent, const char *name, QPalette::ColorRole textRole)
{
    auto *label = new QLabel(QStringLiteral("0%"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(0, 0, 259, 10);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(verdanaSmallBold());
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setForegroundRole(textRole);
    return label;
}

} // namespace

frmConv::frmConv(QWidget *owner, std::function<void()> onCancel, std::function<void()> onClose)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::CustomizeWindowHint)
    , m_onClose(std::move(onClose))
{
    setObjectName(QStringLiteral("frmConv"));
    setWindowTitle(QStringLiteral("::преобразование..."));
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = new QLabel(QStringLiteral("::выполнено:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(tahoma(false));
    Label1->move(4, 15);
    Label1->adjustSize();

    picBck = new QFrame(this);
    picBck->setObjectName(QStringLiteral("picBck"));
    picBck->setAccessibleName(QStringLiteral("выполнено"));
    picBck->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picBck->setLineWidth(1);
    picBck->setGeometry(4, 30, 262, 16);
    // The interior clips the filled bar, so it never covers the border.
    auto *interior = new QWidget(picBck);
    interior->setGeometry(picBck->contentsRect());

    lblPer1 = percentLabel(interior, "lblPer1", QPalette::WindowText);

    picDone = new QWidget(interior);
    picDone->setObjectName(QStringLiteral("picDone"));
    picDone->setGeometry(0, 0, 1, 14);
    picDone->setAutoFillBackground(true);
    picDone->setBackgroundRole(QPalette::Highlight);

    // A child of the filled bar lying exactly over lblPer1: where the bar has
    // reached, the percentage shows in highlight-text colour.
    lblPer2 = percentLabel(picDone, "lblPer2", QPalette::HighlightedText);

    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setGeometry(178, 57, 88, 25);

    cmdCacnel = new QPushButton(QStringLiteral("::отмена..."), Picture1);
    cmdCacnel->setObjectName(QStringLiteral("cmdCacnel"));
    cmdCacnel->setFont(tahoma(true));
    cmdCacnel->setGeometry(Picture1->contentsRect());
    cmdCacnel->setAccessibleName(QStringLiteral("Отмена"));
    cmdCacnel->setAutoDefault(false);
    cmdCacnel->setDefault(false);
    connect(cmdCacnel, &QPushButton::clicked, this, [onCancel = std::move(onCancel)] {
        onCancel();
    });

    setTabOrder(cmdCacnel, cmdCacnel);
    cmdCacnel->installEventFilter(this);

    if (QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmConv::setProgress(int percent, int doneWidthPx)
{
    if (percent != m_percent) {
        m_percent = percent;
        lblPer1->setText(QString::number(percent) + QLatin1Char('%'));
        lblPer2->setText(lblPer1->text());
        QAccessibleValueChangeEvent changed(picBck, percent);
        QAccessible::updateAccessibility(&changed);
    }
    if (doneWidthPx != picDone->width())
        picDone->resize(std::max(0, doneWidthPx), picDone->height());
}

int frmConv::barWidthPx() const
{
    return picBck->width();
}

void frmConv::showWithKeyboard(QWidget *to)
{
    m_keysTo = to;
    show();
    raise();
    activateWindow();
    cmdCacnel->setFocus(Qt::ActiveWindowFocusReason);
}

bool frmConv::eventFilter(QObject *watched, QEvent *event)
{
    // The button keeps Space, which presses it, and Tab; neither Enter nor
    // Escape is bound to it, and the arrows would only move its focus.
    if (watched == cmdCacnel && m_keysTo && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Tab && key != Qt::Key_Backtab) {
            QCoreApplication::sendEvent(m_keysTo, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmConv::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_onClose();
}

} // namespace zezu
