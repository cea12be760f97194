#include "DeviceLock.h"

#include "DeviceReport.h"
#include "SatClient.h"

DeviceLock::DeviceLock(SatClient& client) : client_(client) {}

std::string DeviceLock::block()
{
    return reportAfter(client_, client_.BloquearSAT());
}

std::string DeviceLock::unblock()
{
    return reportAfter(client_, client_.DesbloquearSAT());
}
