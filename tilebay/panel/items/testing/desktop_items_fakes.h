#pragma once

// Stand-ins for the icon source and the load's pauses in tests.

#include <QColor>
#include <QFileInfo>
#include <QPixmap>
#include <QString>

#include "tilebay/panel/items/desktop_items.h"
#include "tilebay/panel/items/file_icons.h"

namespace tilebay::testing {

// Gives every path a square of one colour (32 pixels for size 2, else 16)
// and the type text "Folder" for folders, "Type of <extension>" otherwise.
class SquareIcons : public FileIconSource {
public:
    explicit SquareIcons(QColor colour = Qt::red) : colour_(colour) {}
    QPixmap QueryFileIcon(const QString&, qint16 size) override {
        QPixmap square(size == 2 ? 32 : 16, size == 2 ? 32 : 16);
        square.fill(colour_);
        return square;
    }
    QString QueryFileTypeName(const QString& path) override {
        const QFileInfo info(path);
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("Type of ") + info.suffix();
    }

private:
    QColor colour_;
};

// Counts the pauses instead of letting events run.
class CountingPause : public EventPause {
public:
    void LetEventsRun() override { ++count; }
    int count = 0;
};

}  // namespace tilebay::testing
