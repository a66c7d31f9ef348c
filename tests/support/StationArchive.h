#pragma once

// What the replication suites share: limits that look and try again quickly, and an archive
// of a station's own in a folder of its own.

#include <memory>

#include <QDir>
#include <QTemporaryDir>

#include "archive/TArchive.h"
#include "server/ServerLink.h"

inline ServerLink::Limits quickLimits()
{
    ServerLink::Limits l;
    l.idleMs = 50;
    l.firstRetryMs = 100;
    l.longestRetryMs = 400;
    return l;
}

inline std::unique_ptr<TArchive> stationArchive(const QTemporaryDir &dir, const QString &station)
{
    auto a = std::make_unique<TArchive>();
    a->setStation(station);
    const QString folder = dir.filePath(station);
    QDir().mkpath(folder);
    if (!a->open(folder))
        return nullptr;
    return a;
}
