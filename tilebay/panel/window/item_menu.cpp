#include "tilebay/panel/window/item_menu.h"

namespace tilebay {

QMenu* MakeItemMenu(QWidget* parent, const RowEntry& row, std::function<DesktopActions*()> desktop,
                    std::function<void(const RowEntry&)> start,
                    std::function<void(const RowEntry&, ItemChange)> changed) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const ItemActionEntry& entry : ItemActionMenu()) {
        const ItemAction action = entry.action;
        menu->addAction(entry.text, parent, [=] {
            DesktopActions* services = desktop();
            if (services == nullptr) {
                return;
            }
            const ItemChange change = RunItemAction(action, row, *services, start);
            if (change != ItemChange::NotDone) {
                changed(row, change);
            }
        });
    }
    return menu;
}

}  // namespace tilebay
