#include "pollers/TOpTarvo.h"

#include "pollers/TOpTarvoThread.h"

TOpTarvo::TOpTarvo(QObject *owner) : TOpPoller(TPollerFamily::Tarvo(), owner) {}

std::unique_ptr<TOpPollerThread> TOpTarvo::CreateThread()
{
    return std::make_unique<TOpTarvoThread>(Port, this, Caller());
}
