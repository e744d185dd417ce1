// A host program as its developer writes it: the form was made in Designer
// with a DownLoad on it (host_form.ui), uic turns it into Ui::HostForm, and
// the program only wires the control's events to its own widgets.
//
//   patchwell-download-example             shows the form; Fetch downloads
//   patchwell-download-example --properties prints the saved properties that
//                                           the form gave the control, in
//                                           their saved order

#include <QApplication>
#include <QTextStream>

#include "patchwell/download/control/download.h"
#include "patchwell/download/control/download_interface.h"
#include "ui_host_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    Ui::HostForm form;
    form.setupUi(&window);
    patchwell::download::DownLoad& dl1 = *form.dl1;

    if (QApplication::arguments().contains(QStringLiteral("--properties"))) {
        QTextStream out(stdout);
        // In the order the control saves them.
        for (const patchwell::download::PropertyInfo& saved :
             patchwell::download::kSavedProperties) {
            out << saved.name << '=' << dl1.property(saved.name).toString() << '\n';
        }
        return 0;
    }

    QObject::connect(&dl1, &patchwell::download::DownLoad::StatusChange, form.lblStatus,
                     &QLabel::setText);
    QObject::connect(form.cmdFetch, &QPushButton::clicked, &dl1, [&dl1] {
        if (dl1.CPause() || dl1.InDL()) {
            return;
        }
        dl1.GetFileInformation();
        if (dl1.FileSize() > 0) {
            dl1.download();
        }
    });
    window.show();
    return QApplication::exec();
}
