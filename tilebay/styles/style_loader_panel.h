#pragma once

// What the style loader needs of the panel window. The panel implements it;
// the tests use a fake.

#include <QColor>

namespace tilebay {

class StyleLoaderPanel {
public:
    virtual ~StyleLoaderPanel() = default;
    // The current text colour of the panel's "Close" label (the style's font
    // colour).
    virtual QColor closeButtonTextColour() = 0;
    // The panel window's background colour.
    virtual QColor panelBackgroundColour() = 0;
    // Closes the panel with its closing steps (taskbar and desktop icons shown
    // again); the program keeps running because the style loader is visible.
    virtual void closePanel() = 0;
    // Loads the panel anew: the whole load with its splash, reading the style
    // choice just stored.
    virtual void loadPanel() = 0;
    virtual void showPanel() = 0;
};

}  // namespace tilebay
