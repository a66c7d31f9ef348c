#pragma once

// What a results file was when the table was based on it: whether it existed, its size, its
// modification time and a hash of its content. The recovery journal keeps it, so that rows
// given back after a crash are never written over a file that changed in the meantime.

#include <QByteArray>
#include <QString>

struct TFileStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedMs = 0; // since the epoch, UTC
    QByteArray hash;       // BLAKE2b-256 of the content

    // Reads the file whole (without blocking on a FIFO; anything but a regular file counts
    // as missing). A file that exists but cannot be read gets no hash and matches nothing.
    static TFileStamp of(const QString &path);

    // The same content: both missing, or the same size and hash. The modification time alone
    // (a copy, a touch) does not make a file another one.
    bool sameContent(const TFileStamp &other) const;
};
