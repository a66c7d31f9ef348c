#include "export/TExportDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "export/ExportStrings.h"
#include "export/TCsvExport.h"
#include "export/TPdfExport.h"
#include "export/TXlsxExport.h"

namespace {
constexpr TExportFormat Formats[] = {TExportFormat::Xlsx, TExportFormat::Csv, TExportFormat::Pdf};
}

QStringList TExportDialog::filters()
{
    return {Str::FilterXlsx, Str::FilterCsv, Str::FilterPdf};
}

TExportFormat TExportDialog::formatOfFilter(const QString &filter)
{
    const qsizetype at = filters().indexOf(filter);
    return at < 0 ? TExportFormat::Xlsx : Formats[at];
}

QString TExportDialog::suffix(TExportFormat format)
{
    switch (format) {
    case TExportFormat::Csv:
        return QStringLiteral("csv");
    case TExportFormat::Pdf:
        return QStringLiteral("pdf");
    case TExportFormat::Xlsx:
        break;
    }
    return QStringLiteral("xlsx");
}

TExportFormat TExportDialog::formatOfName(const QString &name, TExportFormat byFilter)
{
    const QString typed = QFileInfo(name).suffix().toLower();
    for (TExportFormat f : Formats) {
        if (typed == suffix(f))
            return f;
    }
    return byFilter;
}

QString TExportDialog::withSuffix(const QString &name, TExportFormat format)
{
    if (QFileInfo(name).suffix().compare(suffix(format), Qt::CaseInsensitive) == 0)
        return name;
    return name + QLatin1Char('.') + suffix(format);
}

QString TExportDialog::suggestedName(const QString &resultsFile, TExportFormat format)
{
    const QFileInfo fi(resultsFile);
    return fi.absoluteDir().filePath(fi.completeBaseName() + QLatin1Char('.') + suffix(format));
}

QString TExportDialog::ask(QWidget *parent, const QString &resultsFile, TExportFormat *format)
{
    QFileDialog d(parent, Str::ExportCaption);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setNameFilters(filters());
    d.selectNameFilter(filters().value(static_cast<int>(*format)));
    const QFileInfo suggested(suggestedName(resultsFile, *format));
    d.setDirectory(suggested.absolutePath());
    d.selectFile(suggested.fileName());
    // The suggested name follows the filter the operator picks.
    QObject::connect(&d, &QFileDialog::filterSelected, &d, [&d](const QString &filter) {
        const QString typed = d.selectedFiles().value(0);
        if (!typed.isEmpty())
            d.selectFile(QFileInfo(typed).completeBaseName() + QLatin1Char('.')
                         + suffix(formatOfFilter(filter)));
    });
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    *format = formatOfName(d.selectedFiles().first(), formatOfFilter(d.selectedNameFilter()));
    return withSuffix(d.selectedFiles().first(), *format);
}

bool TExportDialog::write(TExportFormat format, const TExportTable &table, const QString &path,
                          const QFont &font, QString *error)
{
    switch (format) {
    case TExportFormat::Csv:
        return TCsvExport::write(table, path, error);
    case TExportFormat::Pdf:
        return TPdfExport::write(table, path, font, error);
    case TExportFormat::Xlsx:
        break;
    }
    return TXlsxExport::write(table, path, error);
}
