// Measures collecting a desktop folder of 2000 entries with 20 image keys:
// the time beyond the 2 x 25 ms pauses per new key that the collection makes
// on purpose. Runs under the offscreen platform unless another is chosen.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <cstddef>
#include <cstdio>

#include "tilebay/panel/desktop_items.h"
#include "tilebay/panel/file_icons.h"

namespace {

// Lets events run but does not sleep, so the measured time is all work.
class NoSleepPause : public tilebay::EventPause {
public:
    void LetEventsRun() override { QCoreApplication::processEvents(); }
};

// What one collection of the folder gave, and how long it took.
struct Collected {
    std::size_t rows;
    int keys;
    qint64 ms;
};

Collected Collect(const QString& folder, tilebay::FileIconSource& icons,
                  tilebay::EventPause& pause) {
    tilebay::DesktopItemList list;
    tilebay::DesktopItemCollector collector(list, icons, pause);
    QElapsedTimer timer;
    timer.start();
    collector.CollectFolder(folder);
    return {list.rows.size(), list.icons32.Count(), timer.elapsed()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    // "--launchers": 2000 trusted launchers naming a few theme icons, each an
    // image key of its own; one collection without sleeping.
    if (argc > 1 && qstrcmp(argv[1], "--launchers") == 0) {
        const char* names[] = {"utilities-terminal", "text-editor", "web-browser",
                               "accessories-calculator", "system-file-manager"};
        for (int i = 0; i < 2000; ++i) {
            QFile file(dir.filePath(QStringLiteral("app%1.desktop").arg(i)));
            if (!file.open(QIODevice::WriteOnly)) {
                return 1;
            }
            file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=App %1\nExec=true\n"
                                      "Icon=%2\n")
                           .arg(i)
                           .arg(QString::fromLatin1(names[i % 5]))
                           .toUtf8());
        }
        tilebay::ThemeFileIconSource icons;
        NoSleepPause noSleep;
        for (int run = 1; run <= 2; ++run) {
            const Collected launchers = Collect(dir.path(), icons, noSleep);
            std::printf("launchers, without sleeping: %zu rows, %d keys, %lld ms\n", launchers.rows,
                        launchers.keys, static_cast<long long>(launchers.ms));
        }
        return 0;
    }
    const char* extensions[] = {"txt", "png",  "jpg", "pdf", "html", "c",   "cpp",
                                "h",   "py",   "sh",  "mp3", "ogg",  "zip", "gz",
                                "xml", "json", "md",  "csv", "odt"};
    constexpr int kEntries = 2000;
    constexpr int kFolders = 100;
    for (int i = 0; i < kFolders; ++i) {
        QDir(dir.path()).mkdir(QStringLiteral("folder%1").arg(i));
    }
    for (int i = 0; i < kEntries - kFolders; ++i) {
        QFile file(dir.filePath(
            QStringLiteral("file%1.%2").arg(i).arg(QString::fromLatin1(extensions[i % 19]))));
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create test files\n");
            return 1;
        }
        file.write("x\n");
    }

    QElapsedTimer setup;
    setup.start();
    tilebay::ThemeFileIconSource icons;
    std::printf("icon source set up in %lld ms\n", static_cast<long long>(setup.elapsed()));
    // "--cold-without-sleeping" measures the first, cold collection without
    // the pauses, to show what the first run's extra time is spent on.
    NoSleepPause noSleep;
    if (argc > 1 && qstrcmp(argv[1], "--cold-without-sleeping") == 0) {
        const Collected cold = Collect(dir.path(), icons, noSleep);
        std::printf("cold, without sleeping: %zu rows, %d keys, %lld ms\n", cold.rows, cold.keys,
                    static_cast<long long>(cold.ms));
    }
    for (int run = 1; run <= 3; ++run) {
        tilebay::ProcessEventsPause pause;
        const Collected timed = Collect(dir.path(), icons, pause);
        const qint64 mandated = 2 * 25 * static_cast<qint64>(timed.keys);
        std::printf(
            "run %d: %zu rows, %d keys, total %lld ms, pauses %lld ms, beyond pauses %lld ms\n",
            run, timed.rows, timed.keys, static_cast<long long>(timed.ms),
            static_cast<long long>(mandated), static_cast<long long>(timed.ms - mandated));
    }
    const Collected warm = Collect(dir.path(), icons, noSleep);
    std::printf("without sleeping: %zu rows, %d keys, %lld ms\n", warm.rows, warm.keys,
                static_cast<long long>(warm.ms));
    return 0;
}
