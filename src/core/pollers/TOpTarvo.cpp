#include "pollers/TOpTarvo.h"

#include "pollers/TOpTarvoThread.h"

TOpTarvo::TOpTarvo(QObject *owner)
    : TOpPoller(TPollerFamily::tarvo(), owner)
{}

std::unique_ptr<TOpPollerThread> TOpTarvo::createThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpTarvoThread>(std::move(setup));
}
