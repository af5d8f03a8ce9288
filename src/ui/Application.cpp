#include "ui/Application.h"

#include "core/VersionRecord.h"
#include "art/AppIcon.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace zezu {

bool hasDisplay()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

void setUpApplication(QApplication &app)
{
    QApplication::setApplicationName(record::kProductName.toString());
    QApplication::setApplicationVersion(record::kVersion.toString());
    QApplication::setOrganizationName(record::kCompanyName.toString());
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(record::kApplicationId.toString());
    QApplication::setWindowIcon(appIcon());

    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *catalogue : {"qtbase"}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(russian, QString::fromLatin1(catalogue), QStringLiteral("_"), dir))
            QApplication::installTranslator(translator);
        else
            delete translator;
    }
}

int runEditor(int argc, char **argv)
{
    if (!hasDisplay()) {
        std::fputs("ZEZU.vexlo: no graphical display is available (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); start the editor from a desktop session.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    setUpApplication(app);
    frmMain window;
    window.show();
    return app.exec();
}

} // namespace zezu
