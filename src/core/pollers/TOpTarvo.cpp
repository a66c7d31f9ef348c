#include "pollers/TOpTarvo.h"

#include "pollers/TOpTarvoThread.h"

TOpTarvo::TOpTarvo(QObject *owner)
    : TOpPoller(TPollerFamily::Tarvo(), owner)
{}

std::unique_ptr<TOpPollerThread> TOpTarvo::CreateThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpTarvoThread>(std::move(setup));
}
