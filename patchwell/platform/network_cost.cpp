#include "patchwell/platform/network_cost.h"

#include <QNetworkInformation>

namespace patchwell::platform {

bool QtNetworkCost::Metered() {
    using Info = QNetworkInformation;
    if (Info::instance() == nullptr && !Info::loadBackendByName(QStringLiteral("networkmanager"))) {
        Info::loadBackendByFeatures(Info::Feature::Metered);
    }
    const Info* info = Info::instance();
    return info != nullptr && info->supports(Info::Feature::Metered) && info->isMetered();
}

}  // namespace patchwell::platform
