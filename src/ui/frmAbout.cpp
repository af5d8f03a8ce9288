#include "ui/frmAbout.h"

#include "version/Version.h"
#include "version/VersionRecord.h"
#include "art/Banner.h"
#include "ui/Fonts.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace zezu {

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &caption, const QFont &font,
              QPoint pos)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    l->setAutoFillBackground(false);
    l->move(pos);
    l->adjustSize();
    return l;
}

// A box with a 2-pixel sunken border around an interior of the given size.
QFrame *borderedBox(QWidget *parent, const char *name, QPoint pos, QSize interior)
{
    auto *box = new QFrame(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(2);
    box->setGeometry(QRect(pos, interior + QSize(4, 4)));
    return box;
}

} // namespace

frmAbout::frmAbout(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("::о программе..."));
    setFixedSize(kClientWidth, kClientHeight);

    // The picture box sizes itself to the banner plus its border.
    Picture1 = borderedBox(this, "Picture1", {6, 9}, kBannerSize);
    auto *banner = new QLabel(Picture1);
    banner->setObjectName(QStringLiteral("banner"));
    // The picture shows the program's name, which a screen reader reads.
    banner->setAccessibleName(record::kProductName.toString());
    banner->setPixmap(QPixmap::fromImage(bannerImage()));
    banner->setGeometry(Picture1->contentsRect());

    lblVer = label(banner, "lblVer", QString(), verdanaSmallBold(), kBannerVersionLine);
    QPalette light = lblVer->palette();
    light.setColor(QPalette::WindowText, QColor(224, 224, 224));
    lblVer->setPalette(light);

    Label1 = label(this, "Label1", QStringLiteral("::автор: вельдир..."), tahoma(true), {39, 76});
    Label2 = label(this, "Label2", QStringLiteral("by ::quillotrons..."), verdanaSmallBold(),
                   {81, 88});

    Picture2 = borderedBox(this, "Picture2", {131, 119}, QSize(75, 23));
    cmdOk = new QPushButton(QStringLiteral("::ok..."), Picture2);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setFont(tahoma(true));
    cmdOk->setGeometry(Picture2->contentsRect());
    // Neither Enter nor Escape presses it.
    cmdOk->setAutoDefault(false);
    cmdOk->setDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::unload);

    if (QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    load();
}

void frmAbout::load()
{
    lblVer->setText(versionLine());
    lblVer->adjustSize();
}

void frmAbout::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    deleteLater();
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    // The close box does what OK does.
    event->accept();
    unload();
}

} // namespace zezu
