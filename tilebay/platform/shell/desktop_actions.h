#pragma once

// The desktop's services for an item that the panel does not start itself:
// opening it with the desktop's default application, the clipboard and the
// trash. The real one hands the URL to xdg-open as one argument, through the
// run service (so xdg-open and what it opens get the run service's
// environment), and goes through Qt for the clipboard and the freedesktop
// trash of QFile::moveToTrash; tests use a recording fake.

#include <QList>
#include <QString>
#include <QUrl>

#include "tilebay/platform/system/run_service.h"

namespace tilebay {

class DesktopActions {
public:
    virtual ~DesktopActions() = default;
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Puts the URLs on the clipboard as text/uri-list and as text.
    virtual void CopyUrls(const QList<QUrl>& urls) = 0;
    virtual bool MoveToTrash(const QString& path) = 0;
};

// The text form of `url` on the clipboard, one line per item: a local file's
// path, but the encoded URL for a path holding a line break or another
// control character (and for anything that is no local file).
QString ClipboardText(const QUrl& url);

class QtDesktopActions final : public DesktopActions {
public:
    explicit QtDesktopActions(RunService& run) : run_(run) {}
    bool OpenUrl(const QUrl& url) override;
    void CopyUrls(const QList<QUrl>& urls) override;
    bool MoveToTrash(const QString& path) override;

private:
    RunService& run_;
};

}  // namespace tilebay
