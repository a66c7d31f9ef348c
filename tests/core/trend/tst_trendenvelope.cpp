// A long series drawn as its envelope: which points stay, and what an added point changes at
// the end of what is drawn.

#include <QTest>

#include "trend/TrendEnvelope.h"

namespace {

constexpr qint64 Minute = 60000;

// "minute=value" each; a value above 10 is out of norm above, below 0 below.
std::vector<TrendPoint> series(const QStringList &entries)
{
    std::vector<TrendPoint> made;
    for (const QString &e : entries) {
        const double v = e.section(u'=', 1).toDouble();
        made.push_back({e.section(u'=', 0, 0).toLongLong() * Minute, v,
                        v > 10  ? TVerdict::Above
                        : v < 0 ? TVerdict::Below
                                : TVerdict::Within});
    }
    return made;
}

QString shown(const std::vector<TrendPoint> &points)
{
    QStringList out;
    for (const TrendPoint &p : points)
        out << QString::number(p.atMs / Minute) + u'=' + QString::number(p.value);
    return out.join(u' ');
}

} // namespace

class TestTrendEnvelope : public QObject
{
    Q_OBJECT
private slots:
    // Two stretches over minutes 0 .. 9, 4.5 minutes wide.
    void load_data()
    {
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("empty") << QStringList{} << "";
        QTest::newRow("low and high in time order")
            << QStringList{"0=5", "1=9", "2=1", "3=6", "9=3"} << "1=9 2=1 9=3";
        QTest::newRow("a flat stretch is one point")
            << QStringList{"0=4", "1=4", "4=4", "5=2", "9=8"} << "0=4 5=2 9=8";
        QTest::newRow("the extremes out of norm stay")
            << QStringList{"0=5", "1=-1", "2=12", "3=11", "9=5"} << "1=-1 2=12 9=5";
    }
    void load()
    {
        QFETCH(QStringList, points);
        QFETCH(QString, drawn);
        TrendEnvelope envelope(2);
        envelope.load(series(points));
        QCOMPARE(shown(envelope.drawn()), drawn);
    }

    // Loaded with minutes 0 and 9 (stretches 4.5 minutes wide), then one point added.
    void append_data()
    {
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("put");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("inside the last, no new extreme") << "8=5"
                                                         << ""
                                                         << ""
                                                         << "0=5 9=5";
        QTest::newRow("a new low in the last") << "8=1"
                                               << "9=5"
                                               << "8=1 9=5"
                                               << "0=5 8=1 9=5";
        QTest::newRow("a new stretch") << "12=7"
                                       << ""
                                       << "12=7"
                                       << "0=5 9=5 12=7";
        QTest::newRow("after a gap") << "40=7"
                                     << ""
                                     << "40=7"
                                     << "0=5 9=5 40=7";
    }
    void append()
    {
        QFETCH(QString, added);
        QFETCH(QString, removed);
        QFETCH(QString, put);
        QFETCH(QString, drawn);
        TrendEnvelope envelope(2);
        envelope.load(series({"0=5", "9=5"}));
        const TrendEnvelope::Change change = envelope.append(series({added}).front());
        QVERIFY(!change.remade);
        QCOMPARE(shown(change.removed), removed);
        QCOMPARE(shown(change.added), put);
        QCOMPARE(shown(envelope.drawn()), drawn);
    }

    // Past twice the stretches asked for they are made again twice as wide, from every point.
    void widens()
    {
        TrendEnvelope grown(2);
        grown.load(series({"0=5", "9=5"}));
        const qint64 width = grown.width();
        int appended = 0;
        bool remade = false;
        for (int m = 10; m < 60 && !remade; m += 5, ++appended)
            remade = grown.append(series({QStringLiteral("%1=%2").arg(m).arg(m % 3)}).front()).remade;
        QVERIFY(remade);
        QCOMPARE(appended, 3); // the fifth stretch is one too many
        QCOMPARE(grown.width(), 2 * width);
        QCOMPARE(shown(grown.drawn()), QStringLiteral("0=5 10=1 15=0 20=2"));
    }
};

QTEST_GUILESS_MAIN(TestTrendEnvelope)
#include "tst_trendenvelope.moc"
