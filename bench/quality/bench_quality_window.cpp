// A result arriving in the Tarvo window that holds a year of results (100,000 rows): the
// window's whole handling of the result (row written, statistics and colour marks brought up
// to date) and the repaint that follows, with every value column limited and the statistics
// shown, against the same window without limits. Prints times; asserts nothing.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "pollers/TOpTarvo.h"
#include "quality/TStatsBar.h"
#include "sim/InstrumentFrames.h"
#include "text/Cp1251.h"
#include "windows/TForm2.h"

namespace {

constexpr int kRows = 100000;
constexpr int kResults = 300;

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QByteArray yearOfResults()
{
    QByteArray text;
    for (int r = 0; r < kRows; ++r) {
        text += "Проба\t12.03.2024\t10:11:12\t" + QByteArray::number(r % 9);
        for (int c = 5; c < 17; ++c) {
            const int v = (r * 31 + c * 7) % 800;
            text += '\t' + QByteArray::number(v / 100) + ',' + QByteArray::number(10 + v % 90);
        }
        text += "\r\n";
    }
    return Cp1251::encode(QString::fromUtf8(text));
}

struct Times
{
    double handler = 0; // median
    double handlerWorst = 0;
    double repaint = 0; // median
};

Times run(const QString &dir, bool limits)
{
    QString ini = QStringLiteral("[Config]\r\nFileName=%1/year.txt\r\n").arg(dir);
    if (limits) {
        ini += QStringLiteral("[Limits]\r\n");
        for (int c = 5; c < 17; ++c)
            ini += QStringLiteral("%1=0.5;7\r\n").arg(c);
    }
    writeFile(dir + QStringLiteral("/Tarvo.Ini"), ini.toUtf8());
    TForm2 w;
    QDateTime now(QDate(2024, 3, 12), QTime(12, 0));
    w.Now = [&now] { return now; };
    // Closing asks about the unsaved results: they are let go.
    w.MessageBox = [](QMessageBox::Icon, const QString &, const QString &,
                      QMessageBox::StandardButtons) { return QMessageBox::No; };
    w.show();
    QCoreApplication::processEvents();

    std::vector<double> handler;
    std::vector<double> repaint;
    const auto echo = AddressEcho(0);
    for (int i = 0; i < kResults; ++i) {
        std::vector<uint32_t> words;
        for (int k = 0; k < 12; ++k)
            words.push_back(EncodeFp(0.25 * ((i + k) % 32)));
        const auto frame = BuildTarvoFrame(106, 0, uint8_t(i), words, echo);
        TOpPoller *p = w.OpTarvo1;
        p->ResultData[0] = 4;
        std::copy(frame.begin(), frame.end(), p->ResultData.begin() + 1);
        p->Command = 6;
        now = now.addSecs(121);
        QElapsedTimer t;
        t.start();
        w.OpTarvo1PutResult(p);
        handler.push_back(ms(t));
        w.OpTarvo1PutResult(p); // the acknowledgement
        t.start();
        w.repaint();
        w.qualityPanel->statsBar()->repaint();
        QCoreApplication::processEvents();
        repaint.push_back(ms(t));
    }
    std::sort(handler.begin(), handler.end());
    std::sort(repaint.begin(), repaint.end());
    w.close();
    return {handler[kResults / 2], handler.back(), repaint[kResults / 2]};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("year.txt")), yearOfResults());
    TRegistrationWindow::SetProgramDir(dir.path());
    std::printf("a result arriving in the Tarvo window holding %d rows, %d results\n", kRows,
                kResults);
    for (bool limits : {false, true, false, true}) {
        const Times t = run(dir.path(), limits);
        std::printf("  %-28s handler %7.3f ms median (worst %7.3f), repaint %7.3f ms\n",
                    limits ? "every value limited, bar:" : "no limits:", t.handler, t.handlerWorst,
                    t.repaint);
    }
    return 0;
}
