#pragma once

#include <string>
#include <string_view>
#include <vector>

class MessageSink;
class SatClient;

// The test dialog's two tests: the sale path through the tax authority (TesteFimAFim with a
// built-in sale) and the link to the device (ConsultarSAT). The operator sees only the
// standard report of each call.
//
// A test can keep the device busy for minutes, so each one is split in two: perform() makes
// the device calls and may run on a worker thread while no other device call can start;
// report() shows the outcome and runs on the thread that owns the screen.
class DeviceTest {
public:
    enum class Kind { EndToEnd, Link };

    struct Outcome {
        Kind kind;
        std::string message; // the one message to show (UTF-8)
    };

    DeviceTest(SatClient& client, MessageSink& messages);

    // The tests the two options ask for, in the order they run; none when neither is checked.
    static std::vector<Kind> chosen(bool endToEndChecked, bool linkChecked);

    // The device call and its error record; touches nothing but the client.
    Outcome perform(Kind kind);
    void report(const Outcome& outcome);

    // Everything on the calling thread, each test reported before the next starts.
    void run(bool endToEndChecked, bool linkChecked);

    // The sale sent by TesteFimAFim: one line of 888 ASCII bytes, the same for every device.
    static const std::string_view testSaleDocument;

private:
    SatClient& client_;
    MessageSink& messages_;
};
