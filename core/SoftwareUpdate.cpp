#include "SoftwareUpdate.h"

#include "Operator.h"
#include "SatClient.h"

#include <algorithm>

SoftwareUpdate::SoftwareUpdate(SatClient& client, ProgressSink& progress, TickSwitch& ticks)
    : client_(client), progress_(progress), ticks_(ticks)
{
}

std::optional<Outcome> SoftwareUpdate::start()
{
    if (!begin())
        return std::nullopt;
    Outcome outcome = update();
    reporting();
    finish();
    return outcome;
}

bool SoftwareUpdate::begin()
{
    if (state_ == State::Updating || state_ == State::Reporting)
        return false;
    state_ = State::Updating;
    setTicking(true);
    progress_.setProgress(0);
    return true;
}

Outcome SoftwareUpdate::update()
{
    return reportedOutcome(client_, client_.AtualizarSoftwareSAT(), updatedCode);
}

void SoftwareUpdate::reporting()
{
    state_ = State::Reporting;
}

void SoftwareUpdate::finish()
{
    setTicking(false);
    progress_.setProgress(maxProgress);
    state_ = State::Done;
}

void SoftwareUpdate::tick()
{
    if (!ticking_)
        return;
    progress_.setProgress(std::min(progress_.progress() + 1, maxProgress));
}

void SoftwareUpdate::opened()
{
    if (state_ == State::Updating || state_ == State::Reporting)
        return;
    progress_.setProgress(0);
    state_ = State::Idle;
}

void SoftwareUpdate::setTicking(bool on)
{
    ticking_ = on;
    ticks_.setTicking(on);
}
