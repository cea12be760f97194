#include "DeviceLock.h"

#include "SatClient.h"

DeviceLock::DeviceLock(SatClient& client) : client_(client) {}

Outcome DeviceLock::block()
{
    return reportedOutcome(client_, client_.BloquearSAT(), blockedCode);
}

Outcome DeviceLock::unblock()
{
    return reportedOutcome(client_, client_.DesbloquearSAT(), unblockedCode);
}
