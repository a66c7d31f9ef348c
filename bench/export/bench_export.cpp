// Exports a year of results (100,000 rows) to XLSX and CSV, and LibreOffice converts the same
// results file to XLSX in the same run, for comparison; the PDF report of 10,000 rows for
// scale. Usage: bench_export [folder]  (default: a temporary folder)

#include <chrono>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "export/TCsvExport.h"
#include "export/TPdfExport.h"
#include "export/TXlsxExport.h"
#include "results/TResultsFile.h"
#include "table/TStringGridModel.h"
#include "text/Cp1251.h"
#include "text/Strings.h"

namespace {

constexpr int kRows = 100000;
constexpr int kPdfRows = 10000;

double seconds(auto &&work)
{
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor time of this process, which other programs on a busy machine do not inflate.
double cpuSeconds(auto &&work)
{
    const std::clock_t t0 = std::clock();
    work();
    return double(std::clock() - t0) / CLOCKS_PER_SEC;
}

// Lines as the windows write them: label, date, time, group, then values like "3,45".
QByteArray makeFile(int fields, int rows)
{
    QByteArray out;
    const QByteArray label = Cp1251::encode(u"Проба ");
    unsigned x = 1;
    for (int r = 0; r < rows; ++r) {
        char buf[64];
        out += label + QByteArray::number(r % 500 + 1);
        std::snprintf(buf, sizeof buf, "\t%02d.%02d.2024\t%02d:%02d:%02d\t%d", r % 28 + 1,
                      r / 8400 % 12 + 1, r / 3600 % 24, r / 60 % 60, r % 60, r % 9 + 1);
        out += buf;
        for (int f = 4; f < fields; ++f) {
            x = x * 1103515245u + 12345u;
            std::snprintf(buf, sizeof buf, "\t%u,%02u", (x >> 16) % 1200, (x >> 8) % 100);
            out += buf;
        }
        out += "\r\n";
    }
    out += QByteArray(fields - 1, '\t') + "\r\n"; // the open row
    return out;
}

// The table as the window holds it, exported as the window would.
TExportTable tableOf(const TStringGridModel &model)
{
    TExportTable t = ExportTableOf(model);
    t.locale = QLocale(QLocale::Russian, QLocale::Russia);
    return t;
}

double fileMb(const QString &path)
{
    return QFileInfo(path).size() / 1e6;
}

double childCpu()
{
    rusage use{};
    getrusage(RUSAGE_CHILDREN, &use);
    return use.ru_utime.tv_sec + use.ru_stime.tv_sec
           + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// LibreOffice's own conversion of the results file; a negative time when it failed.
// *cpu gets the processor time of LibreOffice's processes.
double libreOffice(const QString &soffice, const QString &folder, const QString &input,
                   double *cpu = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList args = {QStringLiteral("--headless"),
                              QStringLiteral("-env:UserInstallation=file://") + folder
                                  + QStringLiteral("/lo-profile"),
                              // TAB-separated, Windows-1251, Russian number and date formats.
                              QStringLiteral("--infilter=Text - txt - csv (StarCalc):"
                                             "9,34,34,1,,1049"),
                              QStringLiteral("--convert-to"), QStringLiteral("xlsx"),
                              QStringLiteral("--outdir"), folder + QStringLiteral("/lo"), input};
    const double before = childCpu();
    const double t = seconds([&] {
        p.start(soffice, args);
        p.waitForFinished(600000);
    });
    if (cpu)
        *cpu = childCpu() - before;
    const QString out = folder + QStringLiteral("/lo/") + QFileInfo(input).completeBaseName()
                        + QStringLiteral(".xlsx");
    return p.exitCode() == 0 && QFile::exists(out) ? t : -1;
}

void run(const QString &folder, int fields, const QString &soffice)
{
    const int cols = fields + 1;
    const QString path = folder + QStringLiteral("/year%1.txt").arg(fields);
    const QByteArray bytes = makeFile(fields, kRows);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::printf("cannot write %s\n", qPrintable(path));
        return;
    }
    f.close();

    QString error;
    TRowStore rows(cols);
    const double load = seconds([&] { TResultsFile::Load(path, cols, rows, &error); });
    TStringGridModel model(cols);
    for (int c = 0; c < cols; ++c)
        model.SetTitle(c, QStringLiteral("Показатель %1").arg(c));
    model.SetRows(std::move(rows));
    const TExportTable table = tableOf(model);
    const QString xlsx = folder + QStringLiteral("/year%1.xlsx").arg(fields);
    const QString csv = folder + QStringLiteral("/year%1.csv").arg(fields);
    bool ok = true;
    double cx = 0;
    double cc = 0;
    const double tx = seconds(
        [&] { cx = cpuSeconds([&] { ok = TXlsxExport::write(table, xlsx, &error) && ok; }); });
    const double tc = seconds(
        [&] { cc = cpuSeconds([&] { ok = TCsvExport::write(table, csv, &error) && ok; }); });
    if (!ok)
        std::printf("export failed: %s\n", qPrintable(error));
    std::printf("%2d fields, %d rows (file %.1f MB, opened in %.3f s): XLSX %.3f s "
                "(processor %.3f s, %.1f MB), CSV %.3f s (processor %.3f s, %.1f MB)\n",
                fields, table.rowCount, bytes.size() / 1e6, load, tx, cx, fileMb(xlsx), tc, cc,
                fileMb(csv));

    if (soffice.isEmpty()) {
        std::printf("   LibreOffice: soffice not found, no comparison "
                    "(apt-get install libreoffice-calc-nogui)\n");
    } else {
        double loCpu = 0;
        const double lo = libreOffice(soffice, folder, path, &loCpu);
        if (lo < 0)
            std::printf("   LibreOffice: the conversion failed\n");
        else
            std::printf("   LibreOffice headless, results file -> XLSX: %.3f s (processor "
                        "%.3f s); ratio LibreOffice / (open + XLSX) = %.1f (processor %.1f)\n",
                        lo, loCpu, lo / (load + tx), loCpu / (load + cx));
    }
    std::fflush(stdout);
}

void runPdf(const QString &folder)
{
    const QByteArray bytes = makeFile(16, kPdfRows);
    const QString path = folder + QStringLiteral("/pdf.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return;
    f.close();
    TRowStore rows(17);
    QString error;
    TResultsFile::Load(path, 17, rows, &error);
    TStringGridModel model(17);
    for (int c = 0; c < 17; ++c)
        model.SetTitle(c, Str::TarvoTitles.value(c));
    model.SetRows(std::move(rows));
    const TExportTable table = tableOf(model);
    const QString pdf = folder + QStringLiteral("/report.pdf");
    int pages = 0;
    bool ok = false;
    const double t = seconds([&] {
        ok = TPdfExport::write(table, pdf, QFont(QStringLiteral("DejaVu Sans"), 9), &error, &pages);
    });
    std::printf("PDF report, 17 columns, %d rows: %.3f s, %d pages, %.1f MB%s\n", table.rowCount, t,
                pages, fileMb(pdf), ok ? "" : " FAILED");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!soffice.isEmpty()) {
        // The first start builds LibreOffice's profile; that is not the conversion's cost.
        QFile warm(folder + QStringLiteral("/warm.txt"));
        warm.open(QIODevice::WriteOnly);
        warm.write("a\t1,5\r\n");
        warm.close();
        libreOffice(soffice, folder, warm.fileName());
    }
    for (int fields : {16, 31})
        run(folder, fields, soffice);
    runPdf(folder);
    return 0;
}
