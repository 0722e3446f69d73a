// Morvex: the desktop program that searches KERVOS form files.
#include <QApplication>
#include <QIcon>

#include "app/morvex.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvex"));
    QApplication::setApplicationVersion(QStringLiteral(MORVEX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvex.morvex"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.morvex.morvex"), QIcon(QStringLiteral(":/morvex.svg"))));

    Morvex window;
    window.show();
    return app.exec();
}
