#include "patchwell/download/designer/page_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QStringList>

namespace patchwell::download {

QVariant ObjectPropertyAccess::Read(const QString& name) const {
    return control_ ? control_->property(name.toLatin1().constData()) : QVariant();
}

void ObjectPropertyAccess::Write(const QString& name, const QVariant& value) {
    if (control_) {
        control_->setProperty(name.toLatin1().constData(), value);
    }
}

QString QtSaveFileDialog::GetSaveFileName(QWidget* parent, const QString& title,
                                          const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, QString(), ToQtFileFilter(filter));
}

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

bool DesktopUrlOpener::Open(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace patchwell::download
