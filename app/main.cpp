// Morvex: the desktop program that searches KERVOS form files.
#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/morvex.h"

namespace {

constexpr const char* kHelp =
    "Usage: morvex [FORMFILE...]\n"
    "\n"
    "Searches CSR form files (KER????.INF) in a window: choose the files, fill in the criteria,\n"
    "and Search writes kerforms.htm, kerheads.htm, ker3.txt and kerxxxx.inf beside the first\n"
    "file. Form files given here are chosen as the file dialog would choose them.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "For searches from a shell or a script, see morvex-search(1).\n";

// --help and --version print and end the program before any window system is needed.
bool printedInformation(int argc, char** argv, int* status) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
        } else if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::puts("morvex " MORVEX_VERSION);
        } else {
            continue;
        }
        *status = std::fflush(stdout) == 0 ? 0 : 1;
        return true;
    }
    return false;
}

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

int main(int argc, char* argv[]) {
    int status = 0;
    if (printedInformation(argc, argv, &status)) return status;
    // Without a display Qt aborts with a page of advice; one line says what is wrong.
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::fputs("morvex: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "run it in a desktop session, or search with morvex-search\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvex"));
    QApplication::setApplicationVersion(QStringLiteral(MORVEX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvex.morvex"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.morvex.morvex"), QIcon(QStringLiteral(":/morvex.svg"))));

    Morvex window;
    window.show();
    // The form files of the command line (the desktop entry's %F), after Qt has taken its own options.
    QStringList files = QApplication::arguments().mid(1);
    files.removeAll(QStringLiteral("--"));
    for (QString& file : files)
        file = QDir::current().absoluteFilePath(file);
    if (!files.isEmpty()) window.chooseFiles(files);
    return app.exec();
}
