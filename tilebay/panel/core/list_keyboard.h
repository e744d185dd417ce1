#pragma once

// The panel's list at the keyboard: moving the selection, a type-ahead
// filter on the rows' names, and what Enter, Escape and the Menu key ask of
// the panel. Rows are numbered as in the list; the filter hides the rows
// whose name does not hold it (case ignored).

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tilebay {

enum class ListKey { Up, Down, Home, End, PageUp, PageDown, Enter, Escape, Backspace, Menu };

// What a key asks of the panel besides showing the new selection and filter.
enum class KeyOutcome {
    Ignored,
    SelectionMoved,
    FilterChanged,  // rows shown or hidden; the selection may have moved too
    Activate,       // as a double-click on the selected row
    OpenMenu,       // the context menu of the selected row
    Retract,
};

class ListKeyboard {
public:
    // The rows' names in list order. The filter stays; a selection that no
    // longer names a shown row goes to the first shown row.
    void SetRows(QStringList names);
    KeyOutcome Press(ListKey key, int pageRows);
    // Typed text extends the filter; control characters are ignored.
    KeyOutcome Type(const QString& text);
    // The selection made with the mouse.
    void Select(std::optional<int> row);
    // Clears the filter (the panel retracts).
    void ClearFilter();

    const QString& Filter() const { return filter_; }
    bool Shown(int row) const;
    std::optional<int> Selected() const { return selected_; }

private:
    std::vector<int> ShownRows() const;
    void KeepSelectionShown();

    QStringList names_;
    QString filter_;
    std::optional<int> selected_;
};

// The caption strip's text: the caption, or the filter while there is one.
QString CaptionWithFilter(const QString& caption, const QString& filter);

}  // namespace tilebay
