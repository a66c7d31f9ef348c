#include "pollers/TOpMirel.h"

#include "pollers/TOpMirelThread.h"

TOpMirel::TOpMirel(QObject *owner)
    : TOpPoller(TPollerFamily::mirel(), owner)
{}

std::unique_ptr<TOpPollerThread> TOpMirel::createThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpMirelThread>(std::move(setup));
}
