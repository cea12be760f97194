#pragma once

#include "Outcome.h"

#include <string_view>
#include <vector>

class SatClient;

// The test dialog's two tests: the sale path through the tax authority (TesteFimAFim with a
// built-in sale) and the link to the device (ConsultarSAT). The operator sees only the
// standard report of each call.
//
// A test can keep the device busy for minutes: perform() touches nothing but the client, so
// it may run on a worker thread while no other device call can start.
class DeviceTest {
public:
    enum class Kind { EndToEnd, Link };
    // The device's codes for a test that passed.
    static constexpr std::int32_t endToEndCode = 9000;
    static constexpr std::int32_t linkCode = 8000;

    explicit DeviceTest(SatClient& client) : client_(client) {}

    // The tests the two options ask for, in the order they run; none when neither is checked.
    static std::vector<Kind> chosen(bool endToEndChecked, bool linkChecked);

    // The device call and the standard report of its error record: one message.
    Outcome perform(Kind kind);
    // The chosen tests on the calling thread, in their order.
    std::vector<Outcome> run(bool endToEndChecked, bool linkChecked);

    // The sale sent by TesteFimAFim: one line of 888 ASCII bytes, the same for every device.
    static const std::string_view testSaleDocument;

private:
    SatClient& client_;
};
