#pragma once

// What the design-time pages need from outside, each behind a small
// interface: the edited control's properties, the save dialog and the
// browser. The real implementations are here; tests hand in fakes.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

class QWidget;

namespace patchwell::download {

// Reads and writes the properties of one edited control.
class PropertyAccess {
public:
    virtual ~PropertyAccess() = default;
    virtual QVariant Read(const QString& name) const = 0;
    virtual void Write(const QString& name, const QVariant& value) = 0;
    // Around the writes of one apply.
    virtual void BeginApply() {}
    virtual void EndApply() {}
};

// A control edited directly, as a host program does at run time.
class ObjectPropertyAccess : public PropertyAccess {
public:
    explicit ObjectPropertyAccess(QObject* control) : control_(control) {}
    QVariant Read(const QString& name) const override;
    void Write(const QString& name, const QVariant& value) override;

private:
    QPointer<QObject> control_;
};

// The "Save As" file dialog.
class SaveFileDialog {
public:
    virtual ~SaveFileDialog() = default;
    // `filter` pairs descriptions and patterns with "|" ("Text|*.txt|All|*.*").
    // Returns the chosen path, or an empty text when the user cancels.
    virtual QString GetSaveFileName(QWidget* parent, const QString& title,
                                    const QString& filter) = 0;
};

class QtSaveFileDialog : public SaveFileDialog {
public:
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter) override;
};

// Turns "description|pattern|..." into Qt's "description (patterns);;..."
// form. "*.*" means every file, with or without a dot in its name.
QString ToQtFileFilter(const QString& filter);

// Opens an address in the user's browser.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool Open(const QUrl& url) = 0;
};

// The desktop's own handler (QDesktopServices): the address is handed over
// as it is, never through a shell command line.
class DesktopUrlOpener : public UrlOpener {
public:
    bool Open(const QUrl& url) override;
};

}  // namespace patchwell::download
