#pragma once

#include <string>

class SatClient;

// Blocks or unblocks the device with the stored activation code, empty when none is stored.
// Each returns the one message to show.
class DeviceLock {
public:
    explicit DeviceLock(SatClient& client);

    std::string block();
    std::string unblock();

private:
    SatClient& client_;
};
