#pragma once

#include "Outcome.h"

#include <optional>

class ProgressSink;
class SatClient;
class TickSwitch;

// The device's own software update: one device call, a bar that the screen's timer moves by
// one a second while it runs, the standard report, then a full bar.
//
// The update can keep the device busy for minutes, so start() is split: begin(), reporting()
// and finish() run on the thread that owns the screen; update() makes the device calls and may
// run on a worker thread in between, while no other device call can start.
class SoftwareUpdate {
public:
    enum class State { Idle, Updating, Reporting, Done };

    // The period of the screen's timer.
    static constexpr int tickIntervalMs = 1000;
    static constexpr int maxProgress = 100;

    static constexpr std::int32_t updatedCode = 14000;

    SoftwareUpdate(SatClient& client, ProgressSink& progress, TickSwitch& ticks);

    // Everything on the calling thread; nothing while an update is under way.
    std::optional<Outcome> start();

    // The tick on, the bar at 0. False, changing nothing, while an update is under way.
    bool begin();
    // AtualizarSoftwareSAT and the standard report of its error record. Touches nothing but
    // the client.
    Outcome update();
    // The outcome is being shown: its box is modal, and the tick goes on while it is open.
    void reporting();
    // Then the tick off and the bar full, whatever the outcome.
    void finish();

    // The timer's tick: one step, never past the maximum. A tick that arrives after the timer
    // was switched off is ignored.
    void tick();

    // Opening the dialog from its tile shows an empty bar, unless an update is under way.
    void opened();

    State state() const { return state_; }

private:
    void setTicking(bool on);

    SatClient& client_;
    ProgressSink& progress_;
    TickSwitch& ticks_;
    State state_ = State::Idle;
    bool ticking_ = false;
};
