#include <QTest>

#include <QDir>
#include <QTemporaryDir>

#include "export/ExportStrings.h"
#include "export/TExportDialog.h"
#include "support/TestFiles.h"
#include "text/Strings.h"

Q_DECLARE_METATYPE(TExportFormat)

class TestExportFiles : public QObject
{
    Q_OBJECT
private slots:
    void failedExportLeavesNothing_data()
    {
        QTest::addColumn<TExportFormat>("format");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        const std::pair<const char *, TExportFormat> formats[] = {{"xlsx", TExportFormat::Xlsx},
                                                                  {"csv", TExportFormat::Csv},
                                                                  {"pdf", TExportFormat::Pdf}};
        for (const auto &[name, format] : formats) {
            QTest::addRow("%s, read-only folder", name)
                << format << "read-only folder" << Str::FolderNotWritable;
            QTest::addRow("%s, read-only file", name)
                << format << "read-only file" << Str::FileNotWritable;
            QTest::addRow("%s, folder missing", name)
                << format << "folder missing" << Str::FolderMissing;
            QTest::addRow("%s, target is a folder", name)
                << format << "target is a folder" << Str::FileIsFolder;
        }
    }
    void failedExportLeavesNothing()
    {
        QFETCH(TExportFormat, format);
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir *dir = new QTemporaryDir;
        QFile::setPermissions(dir->path(), QFile::Permissions(0x7755));
        const QString folder = dir->filePath("данные");
        QVERIFY(QDir().mkdir(folder));
        const QString old = folder + "/export." + TExportDialog::suffix(format);
        QVERIFY(putFile(old, "old"));
        QString path = old;
        if (kind == "read-only folder") {
            // The file itself may be written: only the folder stands in the way.
            QVERIFY(QFile::setPermissions(old, QFile::Permissions(0x6666)));
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        } else if (kind == "read-only file")
            QVERIFY(QFile::setPermissions(old, QFile::Permissions(0x4444)));
        else if (kind == "target is a folder")
            path = folder;
        else
            path = folder + "/нет/export.xlsx";

        TExportTable t;
        t.titles = {"Проба", "Жир"};
        t.rowCount = 2;
        t.cell = [](int col, int row) { return col ? QString("3,5") : QString::number(row); };
        QString error;
        {
            AsNobody nobody;
            QVERIFY(!TExportDialog::write(format, t, path, QFont("DejaVu Sans", 9), &error));
        }
        QVERIFY(error.startsWith(Str::ExportFailed));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QCOMPARE(getFile(old), QByteArray("old"));
        const QString name = QFileInfo(old).fileName();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs
                                        | QDir::NoDotAndDotDot),
                 QStringList{name});
        removeTestDir(dir);
    }

    // A successful export replaces the old file and keeps its permissions.
    void exportReplacesOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.csv");
        QVERIFY(putFile(path, "old"));
        QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x6640)));
        TExportTable t;
        t.titles = {"x"};
        QString error;
        QVERIFY2(TExportDialog::write(TExportFormat::Csv, t, path, QFont(), &error),
                 qPrintable(error));
        QCOMPARE(getFile(path), QByteArray("\xEF\xBB\xBFx\r\n"));
        QCOMPARE(QFile::permissions(path) & 0x7777, QFile::Permissions(0x6640));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.csv"});

        // Through a link: the file it points to is replaced, the link stays.
        const QString link = dir.filePath("link.csv");
        QVERIFY(QFile::link(path, link));
        t.titles = {"y"};
        QVERIFY2(TExportDialog::write(TExportFormat::Csv, t, link, QFont(), &error),
                 qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(getFile(path), QByteArray("\xEF\xBB\xBFy\r\n"));
    }

    void names_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<TExportFormat>("filter");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix: the filter's") << "/d/a" << TExportFormat::Csv << "/d/a.csv";
        QTest::newRow("own suffix wins") << "/d/a.PDF" << TExportFormat::Xlsx << "/d/a.PDF";
        QTest::newRow("other suffix is part of the name")
            << "/d/a.txt" << TExportFormat::Xlsx << "/d/a.txt.xlsx";
        QTest::newRow("dotted name")
            << "/d/Новый 1.05" << TExportFormat::Pdf << "/d/Новый 1.05.pdf";
    }
    void names()
    {
        QFETCH(QString, typed);
        QFETCH(TExportFormat, filter);
        QFETCH(QString, written);
        const TExportFormat format = TExportDialog::formatOfName(typed, filter);
        QCOMPARE(TExportDialog::withSuffix(typed, format), written);
        QCOMPARE(TExportDialog::formatOfFilter(TExportDialog::filters()[int(filter)]), filter);
        QCOMPARE(TExportDialog::suggestedName("/d/Новый1.txt", filter),
                 "/d/Новый1." + TExportDialog::suffix(filter));
    }
};

QTEST_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"
