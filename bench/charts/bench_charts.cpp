// The charts with 100,000 points, drawn offscreen into an image: the trend loaded and drawn,
// a new result added and drawn again, and the Levey-Jennings chart of 100,000 controls made
// and drawn. Prints median times; asserts nothing.

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include "charts/TLeveyJenningsWindow.h"
#include "charts/TTrendChart.h"
#include "qc/ControlHistory.h"

namespace {

constexpr int Points = 100000;
constexpr int LoadRounds = 7;
constexpr int AppendRounds = 60;
const QSize Size(1200, 700);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

void draw(QChartView &view, QImage &image)
{
    QCoreApplication::processEvents();
    QPainter painter(&image);
    view.render(&painter);
}

// Fat every two minutes around 3.6 %, now and then out of 2.8 .. 6.0.
std::vector<TrendPoint> results(const TLimit &limit)
{
    std::mt19937 random(7);
    std::normal_distribution<double> fat(3.6, 0.9);
    std::vector<TrendPoint> made;
    const qint64 start = QDateTime(QDate(2026, 1, 1), QTime(8, 0)).toMSecsSinceEpoch();
    for (int i = 0; i < Points; ++i) {
        const double v = fat(random);
        const TVerdict verdict = v < limit.min   ? TVerdict::Below
                                 : v > limit.max ? TVerdict::Above
                                                 : TVerdict::Within;
        made.push_back({start + qint64(i) * 120000, v, verdict});
    }
    return made;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImage image(Size, QImage::Format_ARGB32_Premultiplied);
    const TLimit limit{2.8, 6.0};
    const std::vector<TrendPoint> points = results(limit);

    std::vector<double> load;
    std::vector<double> append;
    std::vector<double> repaint;
    for (int round = 0; round < LoadRounds; ++round) {
        TTrendChart trend(QStringLiteral("Жир"), limit);
        QChartView view(trend.chart());
        view.resize(Size);
        view.show();
        QElapsedTimer t;
        t.start();
        trend.load(points);
        draw(view, image);
        load.push_back(ms(t));
        if (round > 0)
            continue;
        TrendPoint next = points.back();
        for (int i = 0; i < AppendRounds; ++i) {
            next.atMs += 120000;
            next.verdict = i % 10 == 0 ? TVerdict::Above : TVerdict::Within;
            next.value = next.verdict == TVerdict::Above ? 6.5 : 3.6;
            t.start();
            trend.append(next);
            draw(view, image);
            append.push_back(ms(t));
            t.start();
            draw(view, image);
            repaint.push_back(ms(t));
        }
    }
    std::printf("trend, %d points: load and draw %.1f ms (median of %d)\n", Points, median(load),
                LoadRounds);
    std::printf("trend: one result added and drawn %.2f ms, drawn again alone %.2f ms (medians of "
                "%d)\n",
                median(append), median(repaint), AppendRounds);

    ControlMaterials materials;
    ControlMaterial m;
    m.name = QStringLiteral("Молоко А");
    m.prefix = QStringLiteral("КМА");
    m.setTarget(6, {3.52, 0.03});
    materials.append(m);
    std::vector<ControlResult> controls;
    std::mt19937 random(11);
    std::normal_distribution<double> noise(3.52, 0.035);
    QDateTime at(QDate(2026, 1, 1), QTime(8, 0));
    for (int i = 0; i < Points; ++i) {
        controls.push_back({at, {{6, noise(random)}}});
        at = at.addSecs(300);
    }
    // The archive gives the chart the newest ControlHistory::Limit controls; the whole
    // 100,000 too, to see how it grows.
    for (const int count : {int(ControlHistory::Limit), Points}) {
        const std::vector<ControlResult> some(controls.end() - count, controls.end());
        std::vector<double> lj;
        for (int round = 0; round < LoadRounds; ++round) {
            QElapsedTimer t;
            t.start();
            TLeveyJenningsWindow w(
                materials, [&](int) { return std::optional(some); },
                [](int) { return QStringLiteral("Жир"); });
            w.view()->resize(Size);
            draw(*w.view(), image);
            lj.push_back(ms(t));
        }
        std::printf("Levey-Jennings, %d controls: judged, made and drawn %.1f ms (median of %d)\n",
                    count, median(lj), LoadRounds);
    }
    return 0;
}
