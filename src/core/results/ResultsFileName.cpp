#include "results/ResultsFileName.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>

#include "results/ResultsFileCheck.h"
#include "text/SafeFile.h"
#include "text/Strings.h"

QString ResultsFileName::withTxt(const QString &name)
{
    if (name.isEmpty() || name.endsWith(Str::TxtExt, Qt::CaseInsensitive))
        return name;
    return name + Str::TxtExt;
}

QString ResultsFileName::folderForNew(const QString &path)
{
    const QFileInfo info(path);
    // exists() follows a link, as opening would.
    if (info.exists() && !info.isFile())
        return QString();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash + 1) : QString();
}

int ResultsFileName::columnsOf(const QByteArray &head)
{
    static const QRegularExpression date(
        QStringLiteral("^\\d{1,4}[./\\- ]\\d{1,2}[./\\- ]\\d{1,4}$"));
    const QList<QByteArray> lines = head.split('\n');
    // The last line of a head cut short may be a part line: it does not count.
    const bool whole = head.endsWith('\n') || head.size() < ResultsFileCheck::HeadBytes;
    const qsizetype complete = whole ? lines.size() : lines.size() - 1;
    qsizetype tabs = -1;
    for (qsizetype i = 0; i < complete; ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype here = line.count('\t');
        if (here < 1 || (tabs >= 0 && here != tabs))
            return 0;
        tabs = here;
        const QByteArray field = line.split('\t')[1].trimmed();
        if (!field.isEmpty() && !date.match(QString::fromLatin1(field)).hasMatch())
            return 0;
    }
    return tabs < 0 ? 0 : int(tabs) + 2;
}

int ResultsFileName::fileColumns(const QString &path)
{
    QFile file;
    QString reason;
    if (!SafeFile::openForReading(file, path, &reason))
        return 0;
    return columnsOf(file.read(ResultsFileCheck::HeadBytes));
}
