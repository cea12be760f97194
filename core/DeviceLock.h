#pragma once

#include "Outcome.h"

class SatClient;

// Blocks or unblocks the device with the stored activation code, empty when none is stored.
// Each outcome holds the one message to show.
class DeviceLock {
public:
    explicit DeviceLock(SatClient& client);

    Outcome block();
    Outcome unblock();

    static constexpr std::int32_t blockedCode = 16000;
    static constexpr std::int32_t unblockedCode = 17000;

private:
    SatClient& client_;
};
