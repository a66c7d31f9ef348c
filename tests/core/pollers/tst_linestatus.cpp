// What the status bar says of the line, from the poller's events and the window's pacing.

#include <QTest>

#include <cerrno>

#include "pollers/TLineStatus.h"

using State = TLineStatus::State;
using Tone = TLineStatus::Tone;

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(10, 0, 0));

// Plays events written as "start@0 due@100 accept@8000 lost restored@9000 stop"; "wait@ms"
// is a cycle with no result due, the last one taken `agoMs` before kNow.
void play(TLineStatus &s, const QString &script, qint64 agoMs)
{
    const QDateTime last = agoMs < 0 ? QDateTime() : kNow.addMSecs(-agoMs);
    for (const QString &token : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString what = token.section(u'@', 0, 0);
        const qint64 ms = token.section(u'@', 1, 1).toLongLong();
        if (what == "start")
            s.started(ms);
        else if (what == "due")
            s.cycle(true, last, ms);
        else if (what == "wait")
            s.cycle(false, last, ms);
        else if (what == "accept")
            s.accepted(ms);
        else if (what == "lost")
            s.lost(EIO);
        else if (what == "restored")
            s.restored(ms);
        else if (what == "stop")
            s.stopped();
        else
            QFAIL(qPrintable("unknown event " + what));
    }
}

} // namespace

class TestLineStatus : public QObject
{
    Q_OBJECT
private slots:
    void stateAndText_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint64>("agoMs"); // the last result before kNow; -1: none yet
        QTest::addColumn<qint64>("atMs");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Tone>("tone");
        const Tone plain = Tone::Plain;
        // At the boundary the instrument turns silent, not a millisecond earlier.
        QTest::newRow("asking") << "start@0 due@100" << -1LL << 10099LL << "Ожидание результата"
                                << plain;
        QTest::newRow("ten quiet seconds")
            << "start@0 due@100" << -1LL << 10100LL << "Прибор не отвечает" << Tone::Amber;
        QTest::newRow("a reply starts them again") << "start@0 due@100 accept@8000 due@9000" << -1LL
                                                   << 17000LL << "Ожидание результата" << plain;
        // Two minutes of idle polling are no silence: the quiet counts from falling due.
        QTest::newRow("quiet counts from falling due")
            << "start@0 wait@100 due@115000" << 130000LL << 124000LL << "Ожидание результата"
            << plain;
        QTest::newRow("countdown rounds up")
            << "start@0 wait@100" << 119500LL << 200LL << "Следующий результат через 0:01" << plain;
        QTest::newRow("line lost") << "start@0 due@100 lost" << -1LL << 60000LL
                                   << "Связь потеряна, переподключение…" << Tone::Red;
        // Back again, the quiet seconds count from the return, not from before the loss.
        QTest::newRow("line back") << "start@0 due@100 lost restored@50000 due@50100" << -1LL
                                   << 59000LL << "Ожидание результата" << plain;
        QTest::newRow("stopped while lost")
            << "start@0 lost stop" << -1LL << 10LL << "Опрос выключен" << plain;
    }
    void stateAndText()
    {
        QFETCH(QString, script);
        QFETCH(qint64, agoMs);
        QFETCH(qint64, atMs);
        QFETCH(QString, text);
        QFETCH(Tone, tone);
        TLineStatus s;
        play(s, script, agoMs);
        const State state = s.state(atMs);
        QCOMPARE(s.stateText(state, kNow, QStringLiteral("ttyUSB0")), text);
        QCOMPARE(TLineStatus::toneOf(state), tone);
    }

    // Counts by reason, in a fixed order; a new polling run counts afresh.
    void rejectedAndDroppedCounts()
    {
        TLineStatus s;
        s.started(0);
        s.rejected(0x1020);
        s.rejected(std::nullopt);
        QCOMPARE(s.rejectedText(), "Прибор отклонил результат (ответ не расшифрован): 2");
        s.dropped(TReplyVerdict::NoReply);
        s.dropped(TReplyVerdict::WrongEcho);
        s.dropped(TReplyVerdict::WrongEcho);
        QCOMPARE(s.droppedText(), "ответы отброшены: неверное эхо 2, нет ответа 1");
        s.started(10);
        QCOMPARE(s.droppedText() + s.rejectedText(), QString());
    }
};

QTEST_GUILESS_MAIN(TestLineStatus)
#include "tst_linestatus.moc"
