#include "windows/NewFileName.h"

#include <QFileInfo>

#include "text/Strings.h"

QString NextNewFileName(const QString &current)
{
    const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
    const QString dir = slash >= 0 ? current.left(slash + 1) : QString();
    for (int n = 1;; ++n) {
        const QString candidate = dir + Str::NewFileBase + QString::number(n) + Str::TxtExt;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}
