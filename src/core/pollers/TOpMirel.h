#pragma once

#include "pollers/TOpPoller.h"

class TOpMirel : public TOpPoller
{
    Q_OBJECT
    // Published: stored with the window layout.
    Q_PROPERTY(QString Port MEMBER Port)
    Q_PROPERTY(uint16_t DeviceNumber MEMBER DeviceNumber)

public:
    explicit TOpMirel(QObject *owner = nullptr);

protected:
    std::unique_ptr<TOpPollerThread> createThread(TPollerThreadSetup setup) override;
};
