// Which results a control rejection holds, as sequences of controls, results and actions
// played through the hold model the way the window's monitor reports them.

#include <QTest>

#include "qc/QcHolds.h"

namespace {

const QDateTime Start(QDate(2026, 12, 9), QTime(10, 0));

QDateTime at(const QString &minute)
{
    return Start.addSecs(60 * minute.toInt());
}

// The newest control's verdict and, for a rejection, the last control before it that passed.
QcState stateOf(const QList<std::pair<QDateTime, bool>> &controls)
{
    QcState s;
    if (controls.isEmpty())
        return s;
    s.at = controls.last().first;
    s.kind = controls.last().second ? QcState::InControl : QcState::Rejection;
    s.reasons = {{6, QStringLiteral("1-3s")}};
    for (int i = controls.size() - 2; i >= 0 && s.kind == QcState::Rejection; --i) {
        if (controls[i].second) {
            s.lastGood = controls[i].first;
            break;
        }
    }
    return s;
}

} // namespace

class TestQcHolds : public QObject
{
    Q_OBJECT
private slots:
    // "g10" a control at minute 10 that passes, "r20" one that is rejected, "s15" a result,
    // "a25" the operator's action, "-20" the control at 20 labelled as none after all. Every
    // control is a result too; `held` lists the minutes of the results held at the end.
    void held_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("held");
        QTest::newRow("no rejection") << "g10 s15 s20"
                                      << "";
        QTest::newRow("since the last good control") << "s5 g10 s15 r20 s25"
                                                     << "15 20 25";
        QTest::newRow("no good control holds all") << "s5 r10 s15"
                                                   << "5 10 15";
        QTest::newRow("a control that passes releases nothing") << "g10 s15 r20 g30 s35"
                                                                << "15 20 30 35";
        QTest::newRow("the action releases") << "g10 s15 r20 a25 s30"
                                             << "";
        QTest::newRow("a second rejection holds from the action on")
            << "g10 s15 r20 a25 s30 r40 s45"
            << "30 40 45";
        QTest::newRow("the rejection labelled away") << "g10 s15 r20 s25 -20"
                                                     << "";
        QTest::newRow("a passing control labelled away keeps the hold") << "g10 s15 r20 g30 -30"
                                                                        << "15 20 30";
        QTest::newRow("a second rejection widens") << "g10 s15 r20 g25 s27 r30"
                                                   << "15 20 25 27 30";
    }
    void held()
    {
        QFETCH(QString, events);
        QFETCH(QString, held);
        QcHolds holds;
        QList<std::pair<QDateTime, bool>> controls;
        QList<QDateTime> results;
        for (const QString &e : events.split(u' ')) {
            const QChar kind = e.at(0);
            const QDateTime t = at(e.mid(1));
            if (kind == u'a') {
                holds.act(t);
                continue;
            }
            if (kind == u'-') {
                controls.removeIf([&](const auto &c) { return c.first == t; });
            } else {
                results << t;
                if (kind != u's')
                    controls.append({t, kind == u'g'});
            }
            holds.judged(stateOf(controls));
        }
        QStringList minutes;
        for (const QDateTime &t : results) {
            if (holds.isHeld(t))
                minutes << QString::number(Start.secsTo(t) / 60);
        }
        QCOMPARE(minutes.join(u' '), held);
    }
};

QTEST_GUILESS_MAIN(TestQcHolds)
#include "tst_qcholds.moc"
