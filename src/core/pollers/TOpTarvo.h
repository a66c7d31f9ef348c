#pragma once

#include "pollers/TOpPoller.h"

class TOpTarvo : public TOpPoller
{
    Q_OBJECT

public:
    explicit TOpTarvo(QObject *owner = nullptr);

protected:
    std::unique_ptr<TOpPollerThread> createThread(TPollerThreadSetup setup) override;
};
