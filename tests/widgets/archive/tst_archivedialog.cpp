#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "archive/TArchive.h"
#include "archive/TArchiveDialog.h"
#include "archive/TArchiveModel.h"
#include "server/TServerSearch.h"
#include "support/ArchiveSamples.h"
#include "text/ServerStrings.h"
#include "text/Strings.h"

namespace {

// An archive that cannot answer.
class BrokenReader : public TArchiveReader
{
public:
    TArchiveSearchResult search(const TArchiveQuery &) override
    {
        TArchiveSearchResult r;
        r.ok = false;
        r.error = QStringLiteral("database disk image is malformed");
        return r;
    }
    bool loadDetails(std::vector<TArchiveHit> &, QString *) override { return false; }
    std::vector<TArchiveLabelEntry> labelHistory(qint64, QString *) override { return {}; }
    QStringList models() override { return {QStringLiteral("Другой прибор")}; }
};

// The server's reader: one odd row (no time, no values, no cells, the longest label the server
// reader hands on) and one whole.
class ServerReader : public TArchiveReader
{
public:
    int searches = 0;
    qint64 historyOf = 0;

    TArchiveSearchResult search(const TArchiveQuery &) override
    {
        ++searches;
        TArchiveSearchResult r;
        r.hits.resize(2);
        r.hits[0].id = 41;
        r.hits[0].label = QString(4096, QChar(0x436));
        r.hits[1].id = 42;
        r.hits[1].result = sampleResult(QStringLiteral("Проба юг"), day(1));
        return r;
    }
    bool loadDetails(std::vector<TArchiveHit> &, QString *) override { return true; }
    std::vector<TArchiveLabelEntry> labelHistory(qint64 id, QString *) override
    {
        historyOf = id;
        return {TArchiveLabelEntry{}};
    }
    QStringList models() override { return {QStringLiteral("Прибор на сервере"), QString()}; }
};

QString cell(const TArchiveModel *m, int row, int col)
{
    return m->data(m->index(row, col)).toString();
}

} // namespace

class TestArchiveDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_archive.open(m_dir.path()));
        m_archive.appendResult(sampleResult(QStringLiteral("Проба 1"), day(10, 9)));
        const QUuid renamed = m_archive.appendResult(
            sampleResult(QStringLiteral("проба 2"), day(11, 9), Str::ModelMirel));
        m_archive.appendResult(sampleResult(QStringLiteral("Ферма"), day(12, 9)));
        m_archive.appendLabelChange({renamed, 2, QStringLiteral("проба 2"),
                                     QStringLiteral("Проба 2а"), day(11, 10),
                                     QStringLiteral("Март.txt"), QStringLiteral("лаборант")});
    }

    void findsListsAndHandsOn()
    {
        TArchiveDialog dialog(&m_archive);
        QAbstractItemModelTester tester(dialog.model());
        dialog.model()->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        dialog.setValueTitles(Str::TarvoTitles.mid(5));
        dialog.show();
        QVERIFY(!dialog.openButton()->isEnabled());

        dialog.labelEdit()->setText(QStringLiteral("ПРОБА"));
        QTest::keyClick(dialog.labelEdit(), Qt::Key_Return);
        const TArchiveModel *m = dialog.model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("Найдено: 2"));
        QCOMPARE(cell(m, 0, TArchiveModel::LabelColumn), QStringLiteral("Проба 2а"));
        QCOMPARE(cell(m, 0, TArchiveModel::EditedColumn), Str::ArchiveEdited);
        QVERIFY(m->data(m->index(0, 0), Qt::ToolTipRole).toString().contains("проба 2"));
        QCOMPARE(cell(m, 1, TArchiveModel::EditedColumn), QString());
        QCOMPARE(cell(m, 0, TArchiveModel::ModelColumn), Str::ModelMirel);
        QCOMPARE(cell(m, 0, TArchiveModel::DateColumn), QStringLiteral("11.03.2025"));
        QCOMPARE(cell(m, 0, TArchiveModel::FirstValueColumn), QStringLiteral("3,25"));
        QCOMPARE(cell(m, 0, TArchiveModel::FirstValueColumn + 4), QString()); // not carried
        QCOMPARE(m->headerData(TArchiveModel::FirstValueColumn + 1, Qt::Horizontal).toString(),
                 QStringLiteral("Жир"));

        // The history of the renamed one.
        dialog.view()->selectRow(0);
        QTest::mouseClick(dialog.historyButton(), Qt::LeftButton);
        QCOMPARE(dialog.historyView()->rowCount(), 1);
        QCOMPARE(dialog.historyView()->item(0, 2)->text(), QStringLiteral("проба 2"));
        QCOMPARE(dialog.historyView()->item(0, 3)->text(), QStringLiteral("Проба 2а"));
        QCOMPARE(dialog.historyView()->item(0, 4)->text(), QStringLiteral("лаборант"));
        QVERIFY(dialog.historyTitle()->text().contains(QStringLiteral("проба 2")));

        // Both rows chosen and handed on, with everything the archive keeps of them.
        std::vector<TArchiveHit> opened;
        std::vector<TArchiveHit> exported;
        connect(&dialog, &TArchiveDialog::openAsTableRequested, this,
                [&](const std::vector<TArchiveHit> &h) { opened = h; });
        connect(&dialog, &TArchiveDialog::exportRequested, this,
                [&](const std::vector<TArchiveHit> &h) { exported = h; });
        dialog.view()->selectAll();
        QVERIFY(dialog.openButton()->isEnabled());
        QTest::mouseClick(dialog.openButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.exportButton(), Qt::LeftButton);
        QCOMPARE(opened.size(), size_t(2));
        QCOMPARE(exported.size(), size_t(2));
        QCOMPARE(opened[0].rowCells().first(), QStringLiteral("Проба 2а"));
        QCOMPARE(opened[0].result.raw, sampleResult(QString(), day(1)).raw);
        QCOMPARE(opened[1].result.timeText, QStringLiteral("09:00:00"));
    }

    void datesAndModel()
    {
        TArchiveDialog dialog(&m_archive);
        QVERIFY(dialog.modelBox()->findData(Str::ModelBestan) > 0); // offered before any
        dialog.fromCheck()->setChecked(true);
        dialog.fromEdit()->setDate(QDate(2025, 3, 11));
        dialog.toCheck()->setChecked(true);
        dialog.toEdit()->setDate(QDate(2025, 3, 12));
        const TArchiveQuery q = dialog.query();
        QCOMPARE(q.from, QDateTime(QDate(2025, 3, 11), QTime(0, 0)));
        QCOMPARE(q.to, QDateTime(QDate(2025, 3, 13), QTime(0, 0))); // the last day whole
        dialog.find();
        QCOMPARE(dialog.model()->rowCount(), 2);
        dialog.modelBox()->setCurrentIndex(dialog.modelBox()->findData(Str::ModelTarvo));
        dialog.find();
        QCOMPARE(dialog.model()->rowCount(), 1);
        QCOMPARE(dialog.model()->hit(0).label, QStringLiteral("Ферма"));
    }

    void saysWhenTheArchiveCannotAnswer()
    {
        BrokenReader broken;
        TArchiveDialog dialog(&broken);
        QVERIFY(dialog.modelBox()->findData(QStringLiteral("Другой прибор")) > 0);
        dialog.find();
        QCOMPARE(dialog.model()->rowCount(), 0);
        QCOMPARE(dialog.statusLabel()->text(),
                 QStringLiteral("Поиск не удался: database disk image is malformed"));
    }

    // With a server the dialog asks where to search; the hits and their histories come from
    // the place searched, and odd rows from the server show and hand on.
    void searchesTheServerWhenAsked()
    {
        TArchiveDialog plain(&m_archive);
        plain.show();
        QVERIFY(plain.whereBox()->isHidden());

        ServerReader server;
        TArchiveDialog dialog(&m_archive);
        dialog.setServerReader(&server);
        dialog.show();
        QVERIFY(dialog.whereBox()->isVisible());
        dialog.find();
        QCOMPARE(dialog.model()->rowCount(), 3);
        dialog.whereBox()->setCurrentIndex(1);
        QCOMPARE(dialog.model()->rowCount(), 0); // this station's hits are not the server's
        QVERIFY(dialog.modelBox()->findData(QStringLiteral("Прибор на сервере")) > 0);
        QCOMPARE(dialog.modelBox()->findData(QString()), 0); // one "any instrument" only
        dialog.find();
        const TArchiveModel *m = dialog.model();
        QCOMPARE(m->rowCount(), 2);
        for (int c = 0; c < m->columnCount(); ++c) // the odd row reads in every column
            QVERIFY(m->data(m->index(0, c)).isValid());
        dialog.view()->selectRow(0);
        dialog.showHistory();
        QCOMPARE(server.historyOf, 41);
        std::vector<TArchiveHit> opened;
        connect(&dialog, &TArchiveDialog::openAsTableRequested, this,
                [&](const std::vector<TArchiveHit> &h) { opened = h; });
        dialog.view()->selectAll();
        QTest::mouseClick(dialog.openButton(), Qt::LeftButton);
        QCOMPARE(opened.size(), size_t(2));

        dialog.whereBox()->setCurrentIndex(0);
        dialog.find();
        QCOMPARE(dialog.model()->rowCount(), 3);
        QCOMPARE(server.searches, 1);
    }

    // The server searched off the UI thread: the bar and "Отменить" while it runs, the cause
    // in Russian when it fails and libpq's words in the tooltip.
    void serverSearchRunsAside()
    {
        TServerSearch search(QStringLiteral("host=127.0.0.1 port=1 dbname=reg01 user=reg01"));
        TArchiveDialog dialog(&m_archive);
        dialog.setServerSearch(&search);
        dialog.show();
        dialog.whereBox()->setCurrentIndex(1);
        dialog.find();
        QVERIFY(dialog.progressBar()->isVisible() && dialog.cancelButton()->isVisible());
        QVERIFY(!dialog.findButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.progressBar()->isVisible(), 10000);
        QCOMPARE(dialog.statusLabel()->text(), Str::ArchiveSearchFailed.arg(Str::CauseRefused));
        QVERIFY2(dialog.statusLabel()->toolTip().contains(QStringLiteral("Connection refused")),
                 qPrintable(dialog.statusLabel()->toolTip()));
        QVERIFY(dialog.findButton()->isEnabled());
    }

private:
    QTemporaryDir m_dir;
    TArchive m_archive;
};

QTEST_MAIN(TestArchiveDialog)
#include "tst_archivedialog.moc"
