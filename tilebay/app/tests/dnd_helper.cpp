// A drag-and-drop partner for tilebay's end-to-end tests, an X window that
// no window manager places (it sits exactly where it is put):
//
//   tilebay_dnd_helper target X Y        a 160x160 window titled
//       "tilebay-drop-target" that accepts text/uri-list, turns from dark
//       green to green while such a drag is over it and prints
//       "drop ACTION URL" for each URL dropped onto it (ACTION: copy/move);
//   tilebay_dnd_helper source X Y FILE...   a 160x160 window titled
//       "tilebay-drag-source" that drags the FILEs as text/uri-list (copy
//       or move) when the left button is pressed on it.
//
// It prints "ready" once its window is shown.

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void Print(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Partner : public QWidget {
public:
    Partner(bool target, QStringList files)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
          files_(std::move(files)) {
        setWindowTitle(target ? QStringLiteral("tilebay-drop-target")
                              : QStringLiteral("tilebay-drag-source"));
        setAcceptDrops(target);
        setFixedSize(160, 160);
        Paint(target ? Qt::darkGreen : Qt::darkMagenta);
        setAutoFillBackground(true);
    }

protected:
    // The colour is painted after the answer to the drag (accepted, which action) has been
    // sent: a Wayland compositor that shows it has taken that answer, as it takes one client's
    // requests in order.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
            event->acceptProposedAction();
            Paint(Qt::green);
        }
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dragLeaveEvent(QDragLeaveEvent*) override { Paint(Qt::darkGreen); }
    void dropEvent(QDropEvent* event) override {
        const QByteArray action = event->dropAction() == Qt::MoveAction ? "move" : "copy";
        for (const QUrl& url : event->mimeData()->urls()) {
            Print("drop " + action + ' ' + url.toEncoded());
        }
        event->acceptProposedAction();
        Paint(Qt::darkGreen);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (files_.isEmpty() || event->button() != Qt::LeftButton) {
            return;
        }
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : files_) {
            urls << QUrl::fromLocalFile(file);
        }
        mime->setUrls(urls);
        drag->setMimeData(mime);
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        Print(QByteArray("dragged ") + (done == Qt::MoveAction   ? "move"
                                        : done == Qt::CopyAction ? "copy"
                                                                 : "none"));
    }

private:
    void Paint(const QColor& colour) {
        QPalette look = palette();
        look.setColor(QPalette::Window, colour);
        setPalette(look);
    }

    QStringList files_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4 || (args[1] != QStringLiteral("target") && args.size() < 5)) {
        std::fputs("usage: tilebay_dnd_helper target X Y | source X Y FILE...\n", stderr);
        return 2;
    }
    Partner window(args[1] == QStringLiteral("target"), args.mid(4));
    window.move(args[2].toInt(), args[3].toInt());
    window.show();
    Print("ready");
    return QApplication::exec();
}
