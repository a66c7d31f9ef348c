#include "windows/NewFileName.h"

#include <QFileInfo>

#include "results/ResultsFileName.h"
#include "text/Strings.h"

QString NextNewFileName(const QString &current)
{
    const QString dir = ResultsFileName::folderForNew(current);
    for (int n = 1;; ++n) {
        const QString candidate = dir + Str::NewFileBase + QString::number(n) + Str::TxtExt;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}
