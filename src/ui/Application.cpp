#include "ui/Application.h"

#include "version/VersionRecord.h"
#include "art/AppIcon.h"
#include "files/Memory.h"
#include "files/PathNames.h"
#include "files/TemporaryFiles.h"
#include "ui/Accessible.h"
#include "ui/MenuKeys.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <string_view>


namespace zezu {

bool hasDisplay()
{
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void setUpApplication(QApplication &app)
{
    QApplication::setApplicationName(record::kProductName.toString());
    QApplication::setApplicationVersion(record::kVersion.toString());
    QApplication::setOrganizationName(record::kCompanyName.toString());
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(record::kApplicationId.toString());
    QApplication::setWindowIcon(appIcon());
    QApplication::setStyle(new MenuKeysStyle(QApplication::style()->name()));
    makeWindowsAccessible();

    // The program keeps no settings and writes no file but those the user
    // saves: Qt's file dialogs would keep their recent folders and view in
    // QtProject.conf, which a path that is no folder leaves unwritten.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));

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

namespace {

const QByteArray kName = record::kProductName.toString().toLocal8Bit();

void printUsage(std::FILE *to)
{
    std::fprintf(to, "использование: %s [--help] [--version] [ФАЙЛ]\n", kName.constData());
}

// A usage error: what is wrong, then how the program is used.
int usageError(const QString &what)
{
    std::fprintf(stderr, "%s: %s\n", kName.constData(), what.toLocal8Bit().constData());
    printUsage(stderr);
    return 2;
}

// The screen the program was told to open its windows on.
QString displayNamed()
{
    for (const char *variable : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        const QByteArray value = qgetenv(variable);
        if (!value.isEmpty())
            return QStringLiteral("\"%1\" (%2)").arg(QString::fromLocal8Bit(value),
                                                  QLatin1String(variable));
    }
    return {};
}

// While Qt opens its connection to the screen: where it cannot, it says so in
// English and aborts; the program says so in Russian and ends with status 1.
// What Qt says on the way there is left unsaid.
void whileConnecting(QtMsgType type, const QMessageLogContext &, const QString &)
{
    if (type != QtFatalMsg)
        return;
    std::fprintf(stderr,
                 "%s: не удалось открыть окно: графический экран %s недоступен; запустите "
                 "редактор в графическом сеансе.\n",
                 kName.constData(), displayNamed().toLocal8Bit().constData());
    std::_Exit(1);
}

} // namespace

int runEditor(int argc, char **argv)
{
    // The arguments are read before Qt, so that --help and --version need no
    // display.
    const char *file = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            printUsage(stdout);
            std::fputs("Открывает в редакторе ФАЙЛ (текст в Windows-1251, UTF-8 или UTF-16).\n"
                       "  --help     показать эту справку и выйти\n"
                       "  --version  показать версию и выйти\n",
                       stdout);
            return 0;
        } else if (options && arg == "--version") {
            std::printf("%s %s\n", record::kProductName.toString().toLocal8Bit().constData(),
                        record::kVersion.toString().toLocal8Bit().constData());
            return 0;
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            return usageError(QStringLiteral("неизвестный параметр \"%1\" (имя файла, которое "
                                             "начинается с \"-\", пишите после \"--\")")
                                  .arg(QString::fromLocal8Bit(argv[i])));
        } else if (file) {
            return usageError(QStringLiteral("открыть можно только один файл, а названы \"%1\" "
                                             "и \"%2\"")
                                  .arg(QString::fromLocal8Bit(file), QString::fromLocal8Bit(argv[i])));
        } else {
            file = argv[i];
        }
    }

    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "%s: нет графического экрана (не заданы ни DISPLAY, ни "
                     "WAYLAND_DISPLAY); запустите редактор в графическом сеансе.\n",
                     record::kProductName.toString().toLocal8Bit().constData());
        return 1;
    }
    // A save interrupted by a signal leaves no half-written file behind.
    removeTemporaryFilesOnSignals();
    // Qt's file dialogs write sizes and dates in the system's locale, read
    // from the environment once: they speak Russian like the rest.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    const QtMessageHandler before = qInstallMessageHandler(whileConnecting);
    QApplication app(argc, argv);
    qInstallMessageHandler(before);
    setUpApplication(app);
    frmMain window;
    window.show();
    // Through the open command's checks and messages; on failure the
    // untitled document stays. From within the event loop, so that an exit
    // while the file is read ends the program.
    if (file) {
        const QString path = pathFromBytes(file);
        QTimer::singleShot(0, &window, [&window, path] { window.editor().openFile(path); });
    }
    return app.exec();
}

} // namespace zezu
