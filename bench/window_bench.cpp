// Times a search run from the main window, offscreen, with the criteria typed into its fields.
// Usage: window_bench [--country T] [--month T] [--parameter T] [--repeat N] FORMFILE...
// Prints the best time of the runs and the longest gap between two turns of the event loop
// during a run (how long the window could not answer).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "app/morvex.h"

namespace {

// Dialogs that answer at once: the form files given, Yes, and messages kept for the end.
class BenchServices : public FileChooser, public MessageBoxes, public FileOpener {
public:
    QStringList chooseFormFiles(QWidget*) override { return files; }
    void message(QWidget*, const QString& text) override { messages << text; }
    bool ask(QWidget*, const QString&) override { return true; }
    bool openFile(const QString&) override { return true; }

    QStringList files;
    QStringList messages;
};

struct Options {
    QStringList texts = QStringList(10);
    QStringList files;
    int repeat = 3;
};

bool readOptions(const QStringList& args, Options* options) {
    const QStringList names = {"--project", "--country", "--area",    "--agency",  "--month",
                               "--cruise",  "--ship",    "--scientist", "--contact", "--parameter"};
    for (qsizetype i = 1; i < args.size(); ++i) {
        const qsizetype criterion = names.indexOf(args[i]);
        if (criterion >= 0 && i + 1 < args.size()) {
            options->texts[criterion] = args[++i];
        } else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size()) {
            options->repeat = args[++i].toInt();
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return false;
        } else {
            options->files << args[i];
        }
    }
    return !options->files.isEmpty() && options->repeat > 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Options options;
    if (!readOptions(QApplication::arguments(), &options)) {
        std::fprintf(stderr, "usage: window_bench [--country T] ... [--repeat N] FORMFILE...\n");
        return 2;
    }
    BenchServices services;
    services.files = options.files;
    Morvex window(WindowServices{&services, &services, &services});
    window.show();
    window.findChild<QAction*>(QStringLiteral("MnuFile"))->trigger();
    for (int i = 0; i < 10; ++i) {
        if (options.texts[i].isEmpty()) continue;
        window.findChild<QAction*>(QStringLiteral("mnusel_%1").arg(i))->trigger();
        QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("Answer_%1").arg(i)), options.texts[i]);
    }

    // The user has seen the window, drawn with its fonts, before pressing Search.
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.grab();
    QCoreApplication::processEvents();

    // A timer of no interval fires at every turn of the event loop: the gaps between its
    // firings are the times the window did not answer.
    QElapsedTimer clock;
    qint64 lastTurn = 0, longestGap = 0, gapEnd = 0;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - lastTurn > longestGap) {
            longestGap = now - lastTurn;
            gapEnd = now;
        }
        lastTurn = now;
    });
    turns.start(0);

    qint64 best = -1;
    QAction* search = window.findChild<QAction*>(QStringLiteral("Mnusearch"));
    for (int run = 0; run < options.repeat; ++run) {
        clock.start();
        lastTurn = 0;
        search->trigger();
        const qint64 elapsed = clock.nsecsElapsed();
        if (elapsed - lastTurn > longestGap) {
            longestGap = elapsed - lastTurn;
            gapEnd = elapsed;
        }
        if (best < 0 || elapsed < best) best = elapsed;
    }
    for (const QString& message : services.messages)
        std::fprintf(stderr, "window_bench: message: %s\n", qPrintable(message));
    std::printf("%.3f s best of %d, longest time without events %.1f ms (ending %.3f s into its run)\n",
                best / 1e9, options.repeat, longestGap / 1e6, gapEnd / 1e9);
    return services.messages.isEmpty() ? 0 : 1;
}
