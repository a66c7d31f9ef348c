// A year of results in the string grid: 100,000 rows of 32 (and 17) columns, shown on the
// offscreen platform. Prints times and memory; asserts nothing.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QStyle>

#include <sys/wait.h>
#include <unistd.h>

#include "controls/TColorStringGrid.h"
#include "table/TRowStore.h"
#include "text/Cp1251.h"

namespace {

constexpr int kRows = 100000;

double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.value(1).toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0);
}

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// A row as a results file holds it: number, label, date, time, group, then the values.
QByteArray resultLine(int row, int cols)
{
    QByteArray line = QByteArray::number(row + 1);
    line += '\t' + Cp1251::encode(QStringLiteral("Проба %1, ферма №%2").arg(row).arg(row % 37));
    line += "\t12.03.2024\t10:";
    line += QByteArray::number(10 + row % 50) + ':' + QByteArray::number(10 + row % 49);
    line += '\t' + QByteArray::number(row % 9);
    for (int c = 5; c < cols; ++c)
        line += '\t' + QByteArray::number(1000.0 + ((row * 31 + c * 7) % 9000) / 100.0, 'f', 2);
    return line;
}

void run(int cols)
{
    const double rssStart = residentMb();
    // Rows come as a file reader gives them: lines cut out of the file's text.
    TRowStore rows(cols);
    qint64 bytes = 0;
    {
        QByteArray file;
        for (int r = 0; r < kRows; ++r)
            file += resultLine(r, cols) + "\r\n";
        for (qsizetype pos = 0; pos < file.size();) {
            const qsizetype end = file.indexOf('\n', pos);
            rows.AppendLine(file.mid(pos, end - pos));
            bytes += rows.Line(rows.RowCount() - 1).size();
            pos = end + 1;
        }
    }
    const double dataMb = bytes / (1024.0 * 1024.0);
    const double rssData = residentMb();

    TColorStringGrid grid;
    grid.SetColCount(cols);
    grid.resize(756, 486);
    grid.show();
    QCoreApplication::processEvents();
    grid.SetDefaultColWidth((grid.GridClientWidth() - 2) / (cols - 1));

    QElapsedTimer t;
    t.start();
    grid.SetRows(std::move(rows));
    const double setRows = ms(t);

    t.restart();
    QCoreApplication::processEvents(); // the view's delayed layout
    grid.grab();
    const double firstPaint = ms(t);

    constexpr int kPages = 200;
    QScrollBar *bar = grid.verticalScrollBar();
    double pageWorst = 0;
    t.restart();
    for (int i = 0; i < kPages; ++i) {
        QElapsedTimer one;
        one.start();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        grid.repaint();
        pageWorst = qMax(pageWorst, ms(one));
    }
    const double page = ms(t) / kPages;

    t.restart();
    bar->setValue(bar->maximum());
    grid.repaint();
    const double jumpToEnd = ms(t);

    constexpr int kAppends = 1000;
    std::vector<double> appends;
    double resultTotal = 0;
    for (int i = 0; i < kAppends; ++i) {
        QElapsedTimer one;
        one.start();
        grid.AppendRow();
        appends.push_back(ms(one));
        // Then what a result costs on screen: the cells, the view's update, a repaint.
        const int row = grid.RowCount() - 1;
        grid.SetCells(0, row, QString::number(row));
        for (int c = 2; c < cols; ++c)
            grid.SetCells(c, row - 1, QStringLiteral("12.34"));
        QCoreApplication::processEvents();
        grid.repaint();
        resultTotal += ms(one);
    }
    const double rssEnd = residentMb();

    // Ctrl+A, Ctrl+C: the whole table as TAB-separated text, titles first.
    grid.selectAll();
    QElapsedTimer copyTimer;
    copyTimer.start();
    const QString copied = grid.selectionText();
    const double copyAll = ms(copyTimer);

    std::printf("%d rows x %d columns, data %.1f MB (%.0f bytes a row)\n", kRows, cols, dataMb,
                double(bytes) / kRows);
    std::printf("  SetRows                 %8.2f ms\n", setRows);
    std::printf("  first paint (grab)      %8.2f ms   target <= 100\n", firstPaint);
    std::printf("  page of scrolling       %8.3f ms   (worst %.3f) target <= 16\n", page, pageWorst);
    std::printf("  jump to the end         %8.3f ms\n", jumpToEnd);
    std::sort(appends.begin(), appends.end());
    std::printf("  AppendRow               %8.4f ms   median (99%% %.4f, worst %.4f) "
                "target <= 1\n",
                appends[kAppends / 2], appends[kAppends * 99 / 100], appends.back());
    std::printf("  result row on screen    %8.3f ms   (append, %d cells, layout, repaint)\n",
                resultTotal / kAppends, cols - 1);
    std::printf("  RSS: data %.1f MB, whole growth %.1f MB = %.2f x the data  target <= 3\n",
                rssData - rssStart, rssEnd - rssStart, (rssEnd - rssStart) / dataMb);
    std::printf("  copy of the whole table %8.2f ms   (%.1f M characters)\n", copyAll,
                copied.size() / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Each size in a process of its own, so that one run's freed heap does not hide the
    // next run's memory.
    for (int cols : {32, 17}) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            QApplication app(argc, argv);
            run(cols);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}
