// A Qt plugin for the end-to-end tests that tells whether a program loaded
// it: a network information backend in name only (Qt's network information
// loads every plugin of its kind), which appends the loading process's id to
// the file $PW_PLANTED_MARK.

#include <QObject>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

__attribute__((constructor)) static void RecordLoad() {
    const char* mark = std::getenv("PW_PLANTED_MARK");
    const int fd = mark == nullptr ? -1 : ::open(mark, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
        ::dprintf(fd, "%d\n", static_cast<int>(::getpid()));
        ::close(fd);
    }
}

class PlantedPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.NetworkInformationBackendFactory")
};

#include "planted_plugin.moc"
