#include "pollers/TOpMirel.h"

#include "pollers/TOpMirelThread.h"

TOpMirel::TOpMirel(QObject *owner)
    : TOpPoller(TPollerFamily::Mirel(), owner)
{}

std::unique_ptr<TOpPollerThread> TOpMirel::CreateThread(TPollerThreadSetup setup)
{
    return std::make_unique<TOpMirelThread>(std::move(setup));
}
