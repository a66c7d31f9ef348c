#include "export/TPdfExport.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "export/ExportStrings.h"
#include "export/TReplacingFile.h"
#include "export/TReport.h"

namespace {
constexpr int Resolution = 600;
constexpr double MarginMm = 10;
} // namespace

bool TPdfExport::write(const TExportTable &table, const QString &path, const QFont &font,
                       QString *error, int *pages)
{
    TReplacingFile file(path);
    if (!file.open(error))
        return false;
    bool drawn = false;
    {
        QPdfWriter writer(&file.file());
        writer.setResolution(Resolution);
        writer.setTitle(table.name);
        writer.setCreator(Str::ExportCaption);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                         QPageLayout::Millimeter));
        TReport report(table, font);
        drawn = report.print(writer);
        if (pages)
            *pages = report.pageCount();
    }
    if (!drawn || file.file().error() != QFileDevice::NoError) {
        if (error) {
            const QString why = file.file().error() != QFileDevice::NoError
                                    ? file.file().errorString()
                                    : QString();
            *error = TReplacingFile::message(Str::ExportFailed, path, why);
        }
        return false;
    }
    return file.commit(error);
}
