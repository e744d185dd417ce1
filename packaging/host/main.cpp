// A host program of the DownLoad control: a window holding one control that
// fetches URL into SAVE_LOCATION and prints what the control reports.
//
//   download_host URL SAVE_LOCATION
//
// Exits 0 when the control reported the transfer complete.

#include <QApplication>
#include <QTextStream>
#include <QVBoxLayout>

#include "patchwell/download/control/download.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: download_host URL SAVE_LOCATION\n";
        return 2;
    }
    QWidget window;
    auto* dl1 = new patchwell::download::DownLoad(&window);
    (new QVBoxLayout(&window))->addWidget(dl1);
    window.show();

    QTextStream out(stdout);
    bool complete = false;
    QString last;  // a status repeated chunk after chunk is printed once
    QObject::connect(dl1, &patchwell::download::DownLoad::StatusChange,
                     [&out, &last](const QString& status) {
                         if (status != last) {
                             out << "status: " << status << Qt::endl;
                             last = status;
                         }
                     });
    QObject::connect(dl1, &patchwell::download::DownLoad::DLComplete, [&] { complete = true; });
    dl1->setUrl(args.at(1));
    dl1->setSaveLocation(args.at(2));
    dl1->GetFileInformation();
    out << "size: " << dl1->FileSize() << Qt::endl;
    if (dl1->FileSize() > 0) {
        dl1->download();
    }
    out << (complete ? "complete" : "not complete") << Qt::endl;
    return complete ? 0 : 1;
}
