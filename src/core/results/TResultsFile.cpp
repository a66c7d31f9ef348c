#include "results/TResultsFile.h"

#include <charconv>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "results/TableBudget.h"
#include "text/SafeFile.h"
#include "text/Strings.h"

namespace {

// Reading and writing go by pieces of this size.
constexpr qsizetype kPiece = qsizetype(1) << 20;

bool fail(QString *error, const QString &headline, const QString &path, const QString &why)
{
    if (error)
        *error = headline + QStringLiteral(" \"") + QDir::toNativeSeparators(path)
                 + QStringLiteral("\"\n") + why;
    return false;
}

} // namespace

bool TResultsFile::Save(const QString &path, const TRowStore &rows, QString *error)
{
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
    // Written a piece at a time: ten years of results need not be held twice.
    QByteArray piece;
    piece.reserve(kPiece);
    bool ok = true;
    const auto flush = [&] {
        ok = ok && file.write(piece) == piece.size();
        piece.resize(0);
        return ok;
    };
    for (int r = 0; r < rows.RowCount() && ok; ++r) {
        // Column 0 is everything before the first TAB of a stored row.
        const QByteArrayView line = rows.LineView(r);
        const qsizetype tab = line.indexOf('\t');
        if (tab >= 0)
            piece.append(line.sliced(tab + 1));
        piece.append("\r\n", 2);
        if (piece.size() >= kPiece)
            flush();
    }
    if (!flush()) {
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
    const qint64 memory = TableBudget::available();
    if (!TableBudget::fits(TableBudget::openingCost(file.size(), 0, colCount), memory, &why))
        return fail(error, Str::OpenFailed, path, why);

    // The file is read a piece at a time straight into the rows, so its text is never held
    // twice. A piece hands over its whole lines and keeps an unfinished last line for the
    // next one; a line longer than a piece makes the piece grow.
    QByteArray piece(kPiece, Qt::Uninitialized);
    qsizetype held = 0;
    qint64 total = 0;
    bool first = true;
    for (;;) {
        if (held == piece.size())
            piece.resize(piece.size() * 2);
        const qint64 got = file.read(piece.data() + held, piece.size() - held);
        if (got < 0)
            return fail(error, Str::OpenFailed, path, file.errorString());
        total += got;
        if (total > MaxFileSize)
            return fail(error, Str::OpenFailed, path, Str::FileTooLarge);
        if (got == 0) {
            out.appendFileLines(QByteArrayView(piece.constData(), held)); // no line end
            break;
        }
        // What was held already has no line end.
        const qsizetype nl = QByteArrayView(piece.constData() + held, got).lastIndexOf('\n');
        const qsizetype start = held;
        held += qsizetype(got);
        if (nl < 0)
            continue;
        const qsizetype whole = start + nl + 1;
        if (first)
            out.reserveFileText(file.size(), QByteArrayView(piece.constData(), whole));
        first = false;
        out.appendFileLines(QByteArrayView(piece.constData(), whole));
        // Short lines cost more than their bytes: the lines read so far tell how many the
        // whole file holds, and a table that will not fit is given up before it is read.
        const qint64 taken = total - held + whole;
        const qint64 lines = out.RowCount() + (file.size() - taken) * out.RowCount() / taken;
        if (!TableBudget::fits(TableBudget::openingCost(file.size(), lines, colCount), memory, &why))
            return fail(error, Str::OpenFailed, path, why);
        held -= whole;
        std::memmove(piece.data(), piece.constData() + whole, size_t(held));
    }
    // The file's last line, written from the open row, is the open row again; a table that
    // ends in a result gets a fresh one, as results are written into the last row.
    out.endWithOpenRow();
    rows = std::move(out);
    return true;
}
