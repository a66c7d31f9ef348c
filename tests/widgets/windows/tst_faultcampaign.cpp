// Faults on the line against the real windows and poller threads: nothing crashes, nothing is
// lost, nothing is half-written, and every row is a result the instrument really sent.
//
// The simulated instrument makes a fresh result for every fetch (code 6), whether or not the
// previous one was acknowledged. So the precise bookkeeping is: every fetch whose reply arrived
// whole gives exactly one row when its status asks for one; a fetch whose reply was spoiled
// gives none and is never acknowledged (the next exchange is a fetch again, not code 9).

#include <QApplication>
#include <QFile>
#include <QtTest>

#include "results/TResultsFile.h"
#include "support/SimWindowRig.h"
#include "windows/TStatusPanel.h"

using Fault = InstrumentSim::Fault;
using Family = InstrumentSim::Family;
Q_DECLARE_METATYPE(InstrumentSim::Family)
Q_DECLARE_METATYPE(std::vector<InstrumentSim::Fault>)

namespace {

// A reply the poller must take as it stands.
bool Whole(const Fault &f)
{
    return f.kind == Fault::None || f.kind == Fault::Trickle || f.kind == Fault::BadStatus
           || (f.kind == Fault::Delay && f.param < 50);
}

} // namespace

class TestFaultCampaign : public QObject
{
    Q_OBJECT
private slots:
    void faults_data();
    void faults();
    void hangUpThenReopen_data();
    void hangUpThenReopen();
    void portDisappearsAndComesBack();
};

void TestFaultCampaign::faults_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<std::vector<Fault>>("faults");
    // False where a late reply may be taken for the next request's: then only "no row twice,
    // every row really sent" holds.
    QTest::addColumn<bool>("exact");

    auto add = [](const char *name, Family fam, std::vector<Fault> fs, bool exact = true) {
        // Good exchanges between the faults, so each fault meets fetches and acknowledgements.
        std::vector<Fault> seq;
        for (const Fault &f : fs) {
            seq.push_back(f);
            seq.push_back({});
            seq.push_back({});
        }
        QTest::newRow(name) << fam << seq << exact;
    };
    for (Family fam : {Family::Tarvo, Family::Mirel}) {
        const bool t = fam == Family::Tarvo;
        auto name = [t](const char *what) {
            return QByteArray(t ? "tarvo " : "mirel ").append(what);
        };
        add(name("garbage"), fam, {{Fault::Garbage, 1}, {Fault::Garbage, 5}, {Fault::Garbage, 40}});
        add(name("trickle"), fam, {{Fault::Trickle, 0}, {Fault::Trickle, 0}});
        add(name("silence"), fam, {{Fault::Silence, 0}, {Fault::Silence, 0}});
        add(name("wrong echo"), fam,
            {{Fault::WrongEcho, 0},
             {Fault::WrongEcho, 1},
             {Fault::WrongEcho, 2},
             {Fault::WrongEcho, 3}});
        add(name("short"), fam, {{Fault::ShortReply, 1}, {Fault::ShortReply, 3}});
        std::vector<Fault> lengths;
        const std::vector<int> accepted = t ? std::vector<int>{4, 38, 54, 106}
                                            : std::vector<int>{4, 234};
        const std::vector<int> centres = t ? std::vector<int>{38, 54, 106}
                                           : std::vector<int>{232, 234, 236};
        for (int c : centres) {
            for (int n = c - 2; n <= c + 2; ++n) {
                if (std::find(accepted.begin(), accepted.end(), n) == accepted.end())
                    lengths.push_back({Fault::WrongLength, n});
            }
        }
        lengths.push_back({Fault::WrongLength, 3});
        lengths.push_back({Fault::WrongLength, 5});
        add(name("wrong lengths"), fam, lengths);
        add(name("bad status"), fam,
            t ? std::vector<Fault>{{Fault::BadStatus, 0x1000},
                                   {Fault::BadStatus, 0x0020},
                                   {Fault::BadStatus, 0x1020}}
              : std::vector<Fault>{{Fault::BadStatus, 0x0801},
                                   {Fault::BadStatus, 0x0000},
                                   {Fault::BadStatus, 0x0001},
                                   {Fault::BadStatus, 0x8800}});
        add(name("small delay"), fam, {{Fault::Delay, 20}, {Fault::Delay, 30}});
        add(name("late reply"), fam, {{Fault::Delay, 450}, {Fault::Delay, 700}}, false);
        add(name("everything"), fam,
            {{Fault::Garbage, 3},
             {Fault::Silence, 0},
             {Fault::Trickle, 0},
             {Fault::WrongEcho, 2},
             {Fault::WrongLength, t ? 105 : 233},
             {Fault::BadStatus, t ? 0x1000 : 0x0801},
             {Fault::ShortReply, 2}});
    }
}

void TestFaultCampaign::faults()
{
    QFETCH(Family, family);
    QFETCH(std::vector<Fault>, faults);
    QFETCH(bool, exact);

    SimWindowRig rig(family);
    QVERIFY2(rig.Ok(), rig.Sim().errorString().c_str());
    for (const Fault &f : faults)
        rig.Sim().queueFault(f);
    rig.StartPolling();
    const std::size_t wanted = faults.size() + 6;
    QVERIFY(rig.WaitForExchanges(wanted, 30000));
    QVERIFY(rig.StopPolling(5000));
    QVERIFY(rig.Messages().isEmpty());
    QCOMPARE(rig.HalfWritten(), QString());

    const auto log = rig.Sim().exchanges();
    // Every row is a result that was sent, and none shows up twice.
    std::vector<int> shown;
    for (int r = 1; r <= rig.DataRows(); ++r) {
        const int i = rig.MatchRow(r, log);
        QVERIFY2(i >= 0, qPrintable(QStringLiteral("row %1 was never sent").arg(r)));
        QVERIFY2(shown.empty() || i > shown.back(), "rows out of order or twice");
        shown.push_back(i);
    }
    if (exact) {
        // The last exchange may have been cut short by the stop; everything before it counts.
        std::vector<int> expected;
        for (std::size_t i = 0; i + 1 < log.size(); ++i) {
            const auto &ex = log[i];
            if (!ex.resultFrame)
                continue;
            const bool whole = Whole(ex.fault);
            // A spoiled fetch is not acknowledged; a whole one is.
            QCOMPARE(log[i + 1].request[4], uint8_t(whole ? 9 : 6));
            if (whole && SimWindowRig::StatusWantsRow(ex, family))
                expected.push_back(int(i));
        }
        if (!log.empty() && log.back().resultFrame && shown.size() == expected.size() + 1)
            expected.push_back(int(log.size() - 1));
        QVERIFY(expected.size() >= 2);
        QCOMPARE(shown, expected);
    }

    // What the table shows is what its file keeps.
    const QString path = rig.Dir() + QStringLiteral("/out.txt");
    rig.Window()->AskSaveFileName = [path](const QString &) { return path; };
    rig.Window()->actSaveAsExecute();
    TRowStore rows(family == Family::Tarvo ? 17 : 32);
    QString error;
    QVERIFY(TResultsFile::Load(path, rows.ColCount(), rows, &error));
    QCOMPARE(rows.RowCount(), rig.DataRows() + 1);
    for (int r = 0; r < rows.RowCount(); ++r)
        QCOMPARE(rows.Line(r), rig.Grid()->Rows().Line(r));
}

void TestFaultCampaign::hangUpThenReopen_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<bool>("asFault"); // the line drops while answering, or between exchanges
    QTest::newRow("tarvo, dropped by the test") << Family::Tarvo << false;
    QTest::newRow("tarvo, dropped mid-exchange") << Family::Tarvo << true;
    QTest::newRow("mirel, dropped by the test") << Family::Mirel << false;
    QTest::newRow("mirel, dropped mid-exchange") << Family::Mirel << true;
}

void TestFaultCampaign::hangUpThenReopen()
{
    QFETCH(Family, family);
    QFETCH(bool, asFault);

    SimWindowRig rig(family);
    QVERIFY(rig.Ok());
    rig.StartPolling();
    QVERIFY(rig.WaitForExchanges(4, 10000));
    if (asFault)
        rig.Sim().queueFault({Fault::HangUp, 0});
    else
        rig.Sim().stop();
    // The poller sees the dead line and keeps polling it, saying so: no hang, no spin, no
    // crash, and the number box stays locked as in any polling. (A poller without
    // reconnection ends by itself, as its own tests show.)
    const TStatusPanel *status = rig.Window()->findChild<TStatusPanel *>();
    QVERIFY(status);
    QVERIFY(SimWindowRig::Pump(10000, [&] {
        return status->stateText() == QStringLiteral("Связь потеряна, переподключение…");
    }));
    QVERIFY(rig.Poller()->Active());
    QVERIFY(!rig.NumberEdit1Enabled());
    QCOMPARE(rig.HalfWritten(), QString());
    const int rowsBefore = rig.DataRows();

    // The instrument is back at the same path (a new node behind it): polling goes on with
    // no key pressed.
    QVERIFY(rig.Sim().reopen());
    const std::size_t sent = rig.Sim().exchanges().size();
    QVERIFY(rig.WaitForExchanges(sent + 4, 10000));
    QVERIFY(SimWindowRig::Pump(5000, [&] { return rig.DataRows() >= rowsBefore + 2; }));
    QVERIFY(rig.StopPolling(5000));
    QVERIFY(rig.NumberEdit1Enabled());
    QCOMPARE(rig.HalfWritten(), QString());
    const auto log = rig.Sim().exchanges();
    std::set<int> seen;
    for (int r = 1; r <= rig.DataRows(); ++r) {
        const int i = rig.MatchRow(r, log);
        QVERIFY(i >= 0);
        QVERIFY(seen.insert(i).second);
    }
}

void TestFaultCampaign::portDisappearsAndComesBack()
{
    SimWindowRig rig(Family::Mirel);
    QVERIFY(rig.Ok());
    rig.StartPolling();
    QVERIFY(rig.WaitForExchanges(2, 10000));
    rig.Sim().stop(); // the node and its link are gone, as when an adapter is pulled
    QVERIFY(!QFile::exists(QString::fromStdString(rig.Link())));
    // Polling keeps trying the missing port until the button stops it.
    QTest::qWait(300);
    QVERIFY(rig.Poller()->Active());
    QVERIFY(rig.StopPolling(5000));
    QCOMPARE(rig.Messages().size(), 0);

    // Polling a port that is not there: the error box, then the poller is idle again.
    rig.StartPolling();
    QVERIFY(SimWindowRig::Pump(10000, [&] { return !rig.Poller()->Active(); }));
    QCOMPARE(rig.Messages().size(), 1);

    // The adapter is back under the same name (a new node behind the link).
    QVERIFY(rig.Sim().reopen());
    const int rowsBefore = rig.DataRows();
    rig.StartPolling();
    QVERIFY(SimWindowRig::Pump(10000, [&] { return rig.DataRows() >= rowsBefore + 2; }));
    QVERIFY(rig.StopPolling(5000));
    QCOMPARE(rig.HalfWritten(), QString());
    QCOMPARE(rig.Messages().size(), 1);
}

QTEST_MAIN(TestFaultCampaign)
#include "tst_faultcampaign.moc"
