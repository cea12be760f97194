#include "SoftwareUpdate.h"

#include "DeviceReport.h"
#include "Operator.h"
#include "SatClient.h"

#include <algorithm>

SoftwareUpdate::SoftwareUpdate(SatClient& client, MessageSink& messages, ProgressSink& progress,
                               TickSwitch& ticks)
    : client_(client), messages_(messages), progress_(progress), ticks_(ticks)
{
}

void SoftwareUpdate::start()
{
    if (begin())
        finish(update());
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

std::string SoftwareUpdate::update()
{
    return reportAfter(client_, client_.AtualizarSoftwareSAT());
}

void SoftwareUpdate::finish(const std::string& message)
{
    state_ = State::Reporting;
    messages_.showMessage(message);
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
