#include "results/ResultsFileCheck.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>

#include "text/SafeFile.h"

bool ResultsFileCheck::looksLikeTable(const QByteArray &head)
{
    if (head.contains('\0'))
        return false;
    if (head.trimmed().isEmpty())
        return true;
    // A date in any locale's short form: day, month and year in some order.
    static const QRegularExpression date(
        QStringLiteral("^\\d{1,4}[./\\- ]\\d{1,2}[./\\- ]\\d{1,4}$"));
    const QList<QByteArray> lines = head.split('\n');
    // The last line of a head cut short may be a part line: it does not count.
    const qsizetype complete = head.endsWith('\n') || head.size() < HeadBytes ? lines.size()
                                                                              : lines.size() - 1;
    for (qsizetype i = 0; i < complete; ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 2)
            continue;
        const QByteArray field = fields[1].trimmed();
        if (field.isEmpty() || date.match(QString::fromLatin1(field)).hasMatch())
            return true;
    }
    return false;
}

bool ResultsFileCheck::fileLooksLikeTable(const QString &path)
{
    QFile file;
    QString reason;
    if (!SafeFile::openForReading(file, path, &reason))
        return true;
    return looksLikeTable(file.read(HeadBytes));
}
