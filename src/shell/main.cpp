#include "shell/Startup.h"

#include <QApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Creating a data directory needs no display: decide before making the
    // application object.
    std::unique_ptr<QCoreApplication> app(Startup::needsDisplay(arguments) ? new QApplication(argc, argv)
                                                                          : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("orvana-class"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANA_VERSION));
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvana.Class"));
    Startup startup(arguments, QCoreApplication::applicationDirPath());
    if (const std::optional<int> status = startup.run())
        return *status;
    return app->exec();
}
