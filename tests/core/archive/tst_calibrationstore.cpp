#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "qc/Calibration.h"
#include "support/ArchiveSamples.h"

namespace {

Calibration line(double offset)
{
    const double x[] = {3.0, 3.5, 4.0, 4.5};
    const double y[] = {3.0 + offset, 3.5 + offset, 4.0 + offset, 4.5 + offset};
    return Calibration::fit(x, y);
}

std::vector<CalibrationSample> samplesOf(const Calibration &c)
{
    std::vector<CalibrationSample> out;
    for (int i = 0; i < c.count(); ++i)
        out.push_back({i == 0 ? QUuid::createUuid() : QUuid(), QStringLiteral("Эталон %1").arg(i),
                       3.0 + 0.5 * i, 3.1 + 0.5 * i});
    return out;
}

} // namespace

class TestCalibrationStore : public QObject
{
    Q_OBJECT
private slots:
    // Each accepted calibration of a model's column supersedes the one before it, which stays;
    // the other columns and models keep theirs.
    void supersedes_data()
    {
        QTest::addColumn<QStringList>("accepted"); // model:column:offset, in order
        QTest::addColumn<QString>("inForce");      // for Tarvo: column:offset:supersedes index
        QTest::newRow("one") << QStringList{"T:2:0.1"} << "2:0.1:-";
        QTest::newRow("second supersedes first") << QStringList{"T:2:0.1", "T:2:0.2"} << "2:0.2:0";
        QTest::newRow("columns apart")
            << QStringList{"T:2:0.1", "T:3:0.3", "T:2:0.2"} << "2:0.2:0 3:0.3:-";
        QTest::newRow("models apart") << QStringList{"T:2:0.1", "M:2:0.2"} << "2:0.1:-";
        QTest::newRow("third supersedes second")
            << QStringList{"T:2:0.1", "T:2:0.2", "T:2:0.3"} << "2:0.3:1";
    }
    void supersedes()
    {
        QFETCH(QStringList, accepted);
        QFETCH(QString, inForce);
        QTemporaryDir dir;
        TArchive archive;
        QVERIFY(archive.open(dir.path()));
        std::vector<qint64> ids;
        const QDateTime at(QDate(2026, 12, 9), QTime(10, 0));
        for (const QString &a : accepted) {
            const QStringList p = a.split(u':');
            const Calibration c = line(p[2].toDouble());
            QString error;
            ids.push_back(archive.acceptCalibration(p[0], p[1].toInt(), c, samplesOf(c),
                                                    QStringLiteral("petrova"), at, &error));
            QVERIFY2(ids.back() > 0, qPrintable(error));
        }
        QString error;
        QStringList got;
        for (const StoredCalibration &s : archive.calibrationsInForce(QStringLiteral("T"), &error)) {
            const auto before = std::find(ids.begin(), ids.end(), s.supersedes);
            got << QStringLiteral("%1:%2:%3")
                       .arg(s.column)
                       .arg(s.intercept, 0, 'g', 3)
                       .arg(s.supersedes == 0 ? QStringLiteral("-")
                                              : QString::number(before - ids.begin()));
            QCOMPARE(s.acceptedBy, QStringLiteral("petrova"));
            QCOMPARE(s.at, at);
            QCOMPARE(s.count, 4);
        }
        QVERIFY(error.isEmpty());
        QCOMPARE(got.join(u' '), inForce);
        // Every calibration keeps its samples, also a superseded one.
        RawArchive raw(dir.filePath(TArchive::FileName));
        QCOMPARE(raw.value("SELECT count(*) FROM calibration_samples").toInt(),
                 4 * int(accepted.size()));
        QCOMPARE(raw.value("SELECT count(*) FROM calibrations").toInt(), int(accepted.size()));
    }

    // Nothing kept is changed or removed; a refused calibration is never kept.
    void appendOnly_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("slope edited") << "UPDATE calibrations SET slope = 2";
        QTest::newRow("calibration removed") << "DELETE FROM calibrations";
        QTest::newRow("reference edited") << "UPDATE calibration_samples SET reference = 0";
        QTest::newRow("sample removed") << "DELETE FROM calibration_samples";
        QTest::newRow("corrected edited") << "UPDATE result_corrections SET corrected = 0";
        QTest::newRow("correction removed") << "DELETE FROM result_corrections";
    }
    void appendOnly()
    {
        QFETCH(QString, sql);
        QTemporaryDir dir;
        TArchive archive;
        QVERIFY(archive.open(dir.path()));
        const Calibration c = line(0.1);
        QString error;
        const qint64 id = archive.acceptCalibration(QStringLiteral("T"), 2, c, samplesOf(c),
                                                    QString(), QDateTime::currentDateTime(),
                                                    &error);
        QVERIFY(id > 0);
        const QUuid result = QUuid::createUuid();
        QVERIFY(archive.writeCorrection(result, 2, 3.47, 3.57, id, &error));
        // Written twice (the answer to the first was lost): kept once, as first written.
        QVERIFY(archive.writeCorrection(result, 2, 3.47, 9.99, id, &error));
        const double x[] = {1, 1, 1};
        const double y[] = {1, 2, 3};
        const Calibration refused = Calibration::fit(x, y);
        QCOMPARE(archive.acceptCalibration(QStringLiteral("T"), 2, refused, samplesOf(c), QString(),
                                           QDateTime::currentDateTime(), &error),
                 qint64(-1));
        archive.close();
        RawArchive raw(dir.filePath(TArchive::FileName));
        QVERIFY(!raw.exec(sql));
        QCOMPARE(raw.value("SELECT count(*) FROM calibrations").toInt(), 1);
        QCOMPARE(raw.value("SELECT slope FROM calibrations").toDouble(), c.slope());
        QCOMPARE(raw.value("SELECT count(*) FROM result_corrections").toInt(), 1);
        QCOMPARE(raw.value("SELECT corrected FROM result_corrections").toDouble(), 3.57);
        QCOMPARE(raw.value("SELECT count(*) FROM calibration_samples").toInt(), 4);
    }
};

QTEST_GUILESS_MAIN(TestCalibrationStore)
#include "tst_calibrationstore.moc"
