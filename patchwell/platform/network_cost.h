#pragma once

namespace patchwell::platform {

// Whether the system counts the current connection as metered (a mobile
// plan, a tethered phone), so that a large download deserves a word first.
class NetworkCost {
public:
    virtual ~NetworkCost() = default;
    virtual bool Metered() = 0;
};

// Qt's network information: its NetworkManager backend where NetworkManager
// runs, else any backend that knows; without one, not metered.
class QtNetworkCost : public NetworkCost {
public:
    bool Metered() override;
};

}  // namespace patchwell::platform
