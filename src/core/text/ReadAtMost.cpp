#include "text/ReadAtMost.h"

#include <algorithm>

QByteArray ReadAtMost(QIODevice &device, qint64 limit)
{
    const qint64 most = std::max<qint64>(limit, 0) + 1;
    // A plain file knows its size and takes one read; a pipe does not, and its chunks double.
    qint64 chunk = std::min(std::max<qint64>(device.size() - device.pos() + 1, 4096), most);
    QByteArray data;
    while (data.size() < most) {
        const qint64 want = std::min(chunk, most - data.size());
        const qsizetype at = data.size();
        data.resize(at + want);
        const qint64 got = device.read(data.data() + at, want);
        data.resize(at + std::max<qint64>(got, 0));
        if (got <= 0 || (!device.isSequential() && device.atEnd()))
            break;
        chunk = std::max<qint64>(chunk, data.size());
    }
    return data;
}
