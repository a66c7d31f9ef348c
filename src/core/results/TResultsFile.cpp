#include "results/TResultsFile.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "results/TableBudget.h"
#include "text/ReadAtMost.h"
#include "text/SafeFile.h"
#include "text/Strings.h"

namespace {

bool fail(QString *error, const QString &headline, const QString &path, const QString &why)
{
    if (error)
        *error = headline + QStringLiteral(" \"") + QDir::toNativeSeparators(path)
                 + QStringLiteral("\"\n") + why;
    return false;
}

QByteArray rowNumber(int n)
{
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return QByteArray(buf, res.ptr - buf);
}

} // namespace

bool TResultsFile::Save(const QString &path, const TRowStore &rows, QString *error)
{
    // Column 0 is everything before the first TAB of a stored row.
    qsizetype total = 0;
    for (int r = 0; r < rows.RowCount(); ++r) {
        const QByteArray &line = rows.Line(r);
        const qsizetype tab = line.indexOf('\t');
        total += (tab < 0 ? 0 : line.size() - tab - 1) + 2;
    }
    QByteArray bytes;
    bytes.reserve(total);
    for (int r = 0; r < rows.RowCount(); ++r) {
        const QByteArray &line = rows.Line(r);
        const qsizetype tab = line.indexOf('\t');
        if (tab >= 0)
            bytes.append(line.constData() + tab + 1, line.size() - tab - 1);
        bytes.append("\r\n", 2);
    }

    if (QFileInfo(path).isDir())
        return fail(error, Str::SaveFailed, path, Str::FileIsFolder);
    // A device, a FIFO or a socket under the name (or behind a link of that name) is never
    // replaced by a file.
    QString why;
    if (!SafeFile::mayReplace(path, &why))
        return fail(error, Str::SaveFailed, path, why);
    // The table goes to a temporary file beside the old one, which is replaced only once
    // the whole table is on the disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, Str::SaveFailed, path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(error, Str::SaveFailed, path, why);
    }
    if (!file.commit())
        return fail(error, Str::SaveFailed, path, file.errorString());
    // The rename is on the disk only once the folder is; a save killed before its rename
    // left a copy that this save makes needless.
    const QString saved = QFileInfo(path).canonicalFilePath();
    SafeFile::syncFolderOf(saved.isEmpty() ? path : saved);
    SafeFile::removeStaleCopies(saved.isEmpty() ? path : saved);
    return true;
}

bool TResultsFile::Load(const QString &path, int colCount, TRowStore &rows, QString *error)
{
    TRowStore out(colCount);
    const QFileInfo info(path);
    if (!info.exists()) {
        out.endWithOpenRow();
        rows = std::move(out);
        return true;
    }
    if (info.isDir())
        return fail(error, Str::OpenFailed, path, Str::FileIsFolder);
    // Never blocks: a FIFO, a device or a socket is refused with the reason.
    QFile file;
    QString why;
    if (!SafeFile::openForReading(file, path, &why))
        return fail(error, Str::OpenFailed, path, why);
    if (file.size() > MaxFileSize)
        return fail(error, Str::OpenFailed, path, Str::FileTooLarge);
    if (!TableBudget::fits(TableBudget::openingCost(file.size(), 0, colCount), &why))
        return fail(error, Str::OpenFailed, path, why);
    // Sized by the file, not by the limit: a one-line file must not need a gigabyte.
    const QByteArray data = ReadAtMost(file, MaxFileSize);
    if (file.error() != QFileDevice::NoError)
        return fail(error, Str::OpenFailed, path, file.errorString());
    if (data.size() > MaxFileSize)
        return fail(error, Str::OpenFailed, path, Str::FileTooLarge);

    const char *p = data.constData();
    const char *const end = p + data.size();
    const qint64 lines = std::count(p, end, '\n') + 1;
    // Short lines cost more than their bytes: the table's cost is known once they are counted.
    if (!TableBudget::fits(TableBudget::openingCost(data.size(), lines, colCount), &why))
        return fail(error, Str::OpenFailed, path, why);
    out.Reserve(static_cast<int>(lines + 1));
    int number = 0;
    while (p < end) {
        const char *nl = static_cast<const char *>(memchr(p, '\n', end - p));
        const char *e = nl ? nl : end;
        if (e > p && e[-1] == '\r')
            --e;
        const QByteArray num = rowNumber(++number);
        QByteArray line;
        line.reserve(num.size() + 1 + (e - p));
        line.append(num).append('\t').append(p, e - p);
        // A cell never holds a line end; a stray CR inside a line becomes a blank.
        char *d = line.data() + num.size() + 1;
        char *const dEnd = line.data() + line.size();
        while ((d = static_cast<char *>(memchr(d, '\r', dEnd - d))))
            *d = ' ';
        out.AppendLine(std::move(line));
        p = nl ? nl + 1 : end;
    }
    // The file's last line, written from the open row, is the open row again; a table that
    // ends in a result gets a fresh one, as results are written into the last row.
    out.endWithOpenRow();
    rows = std::move(out);
    return true;
}
