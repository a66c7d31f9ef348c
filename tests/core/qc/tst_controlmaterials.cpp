#include <QTest>

#include <QTemporaryDir>

#include "qc/ControlMaterials.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/QcStrings.h"

namespace {

constexpr int FirstCol = 5;
constexpr int LastCol = 31;

// "name|lot|prefix|expiry|col=target;sd ..." a line per material.
QString describe(const ControlMaterials &materials)
{
    QStringList lines;
    for (const ControlMaterial &m : materials.list()) {
        QStringList cols;
        for (int col : m.columns())
            cols << QString::number(col) + u'=' + ControlMaterials::formatTarget(m.target(col));
        lines << QStringList{m.name, m.lot, m.prefix, m.expires.toString(Qt::ISODate),
                             cols.join(u' ')}
                     .join(u'|');
    }
    return lines.join(u'\n');
}

ControlMaterial material(const QString &name, const QString &prefix, QDate expires = {})
{
    ControlMaterial m;
    m.name = name;
    m.lot = QStringLiteral("2611");
    m.prefix = prefix;
    m.expires = expires;
    m.setTarget(7, {3.52, 0.03});
    m.setTarget(9, {1028.5, 0.3});
    return m;
}

} // namespace

class TestControlMaterials : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;

    ControlMaterials readBack(QStringList *notes = nullptr) const
    {
        return ControlMaterials::read(TIniPlus(m_file), FirstCol, LastCol, notes);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = m_dir->filePath(QStringLiteral("Tarvo.Ini"));
    }
    void cleanup() { removeTestDir(m_dir); }

    void read_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("materials");
        QTest::addColumn<QStringList>("notes");
        const QString a = "1.Name=Молоко А\n1.Prefix=КМА\n";
        const QString aRead = "Молоко А||КМА||";

        QTest::newRow("whole, by hand")
            << "1.Name=Молоко А\n1.Lot=2611\n1.prefix=КМА\n1.Expires=31.01.2027\n"
               "1.7= 3,52 ; 0,030 \n1.9=1028.5;0.3\nEverySamples=50\n"
            << "Молоко А|2611|КМА|2027-01-31|7=3.52;0.03 9=1028.5;0.3" << QStringList{};
        QTest::newRow("target without SD")
            << a + "1.7=3.52\n"
            << aRead << QStringList{Str::QcNoteBadTarget.arg(1).arg(7).arg("3.52")};
        QTest::newRow("target no number")
            << a + "1.7=3,52,1;0.03\n1.8=3.1;0.02\n"
            << aRead + "8=3.1;0.02"
            << QStringList{Str::QcNoteBadTarget.arg(1).arg(7).arg("3,52,1;0.03")};
        QTest::newRow("SD 0") << a + "1.7=3.52;0\n"
                              << aRead << QStringList{Str::QcNoteBadSd.arg(1).arg(7).arg("3.52;0")};
        QTest::newRow("SD below 0")
            << a + "1.7=3.52;-0.03\n"
            << aRead << QStringList{Str::QcNoteBadSd.arg(1).arg(7).arg("3.52;-0.03")};
        QTest::newRow("SD out of range")
            << a + "1.7=3.52;1e999\n"
            << aRead << QStringList{Str::QcNoteBadTarget.arg(1).arg(7).arg("3.52;1e999")};
        QTest::newRow("not a value column")
            << a + "1.4=1;1\n1.32=1;1\n"
            << aRead
            << QStringList{Str::QcNoteNoColumn.arg(1).arg(4), Str::QcNoteNoColumn.arg(1).arg(32)};
        QTest::newRow("blank column") << a + "1.7=\n" << aRead << QStringList{};
        QTest::newRow("no prefix") << "1.Name=Молоко А\n1.7=3.52;0.03\n"
                                   << "" << QStringList{Str::QcNoteNoPrefix.arg(1)};
        QTest::newRow("no name") << "1.Prefix=КМА\n"
                                 << "" << QStringList{Str::QcNoteNoName.arg(1)};
        QTest::newRow("no day") << a + "1.Expires=31.02.2027\n1.7=3.52;0.03\n"
                                << "" << QStringList{Str::QcNoteBadDate.arg(1).arg("31.02.2027")};
        QTest::newRow("one prefix twice")
            << a + "2.Name=Молоко Б\n2.Prefix=кма\n3.Name=Молоко В\n3.Prefix=КМВ\n"
            << aRead + "\nМолоко В||КМВ||" << QStringList{Str::QcNoteSamePrefix.arg(2).arg("кма")};
        QTest::newRow("all blank") << "4.Name=\n4.Prefix=\n4.7=\n"
                                   << "" << QStringList{};
        QTest::newRow("a key twice") << a + "1.7=3.52;0.03\n1.7=9;9\n"
                                     << aRead + "7=3.52;0.03" << QStringList{};
        QTest::newRow("keys of nothing")
            << a + "Colour=1\n1.Colour=2\n0.Name=x\n.7=1;1\n"
            << aRead
            << QStringList{Str::QcNoteBadKey.arg("Colour"), Str::QcNoteBadKey.arg("0.Name"),
                           Str::QcNoteBadKey.arg(".7"), Str::QcNoteBadKey.arg("1.colour")};
    }
    void read()
    {
        QFETCH(QString, section);
        QFETCH(QString, materials);
        QFETCH(QStringList, notes);
        QVERIFY(putFile(m_file, "[Config]\r\nCOM=/dev/ttyS0\r\n[Control]\r\n"
                                    + section.replace(u'\n', "\r\n").toUtf8()));
        QStringList got;
        QCOMPARE(describe(readBack(&got)), materials);
        QCOMPARE(got, notes);
    }

    void manyNotes()
    {
        QString section;
        for (int n = 1; n <= 12; ++n)
            section += QStringLiteral("%1.Name=x\n").arg(n);
        QVERIFY(putFile(m_file, "[Control]\n" + section.toUtf8()));
        QStringList notes;
        QVERIFY(readBack(&notes).isEmpty());
        QCOMPARE(notes.size(), 9);
        QCOMPARE(notes.last(), Str::QcNoteMore.arg(4));
    }

    void roundTrip()
    {
        const QByteArray before = "[Config]\r\nCOM=/dev/ttyS0\r\n";
        QVERIFY(putFile(m_file, before));
        ControlMaterials none;
        TIniPlus ini(m_file);
        QVERIFY(none.write(ini));
        QCOMPARE(getFile(m_file), before); // nothing to say, nothing written

        ControlMaterials two;
        QVERIFY(two.append(material("Молоко А", "КМА", QDate(2027, 1, 31))));
        QVERIFY(two.append(material("Молоко Б", "КМБ")));
        QVERIFY(two.write(ini));
        QCOMPARE(readBack(), two);
        const QByteArray written = getFile(m_file);
        QVERIFY(TIniPlus(m_file).SectionExists(QStringLiteral("Config")));
        QVERIFY(two.write(ini));
        QCOMPARE(getFile(m_file), written); // the same again changes no byte

        // The first goes: the second takes its number, and its old keys say nothing.
        ControlMaterials one;
        one.append(two.list()[1]);
        QVERIFY(one.write(ini));
        QStringList notes;
        QCOMPARE(readBack(&notes), one);
        QCOMPARE(notes, QStringList{});
    }

    void handSpellingKept()
    {
        const QByteArray file = "[Control]\r\n1.Name=Молоко А\r\n1.Lot=2611\r\n1.Prefix=КМА\r\n"
                                "1.Expires=31.01.2027\r\n1.7=3,520;0,03\r\n1.9=1028.50;0.30\r\n";
        QVERIFY(putFile(m_file, file));
        const ControlMaterials read = readBack();
        QCOMPARE(read.list().size(), 1);
        TIniPlus ini(m_file);
        QVERIFY(read.write(ini));
        QCOMPARE(getFile(m_file), file);
    }

    void appendRefused()
    {
        ControlMaterials m;
        QVERIFY(m.append(material("Молоко А", "КМА")));
        QVERIFY(!m.append(material("Молоко Б", "кма")));
        QVERIFY(!m.append(material("Молоко В", "")));
        QCOMPARE(m.list().size(), 1);
    }

    void materialFor_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("material");
        QTest::newRow("prefix") << "КМ 12" << 0;
        QTest::newRow("longer prefix wins") << "КМА-3" << 1;
        QTest::newRow("other case, blanks") << "  кма7 " << 1;
        QTest::newRow("code alone") << "КМ" << 0;
        QTest::newRow("sample") << "Проба 5" << -1;
        QTest::newRow("prefix inside") << "12 КМ" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void materialFor()
    {
        QFETCH(QString, label);
        QFETCH(int, material);
        ControlMaterials m;
        m.append(::material("Молоко", "КМ"));
        m.append(::material("Молоко А", "КМА"));
        QCOMPARE(m.materialFor(label), material);
    }

    void expiry_data()
    {
        QTest::addColumn<QDate>("expires");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("expired");
        QTest::newRow("its last day") << QDate(2027, 1, 31) << QDate(2027, 1, 31) << false;
        QTest::newRow("the day after") << QDate(2027, 1, 31) << QDate(2027, 2, 1) << true;
        QTest::newRow("before") << QDate(2027, 1, 31) << QDate(2026, 12, 9) << false;
        QTest::newRow("no expiry") << QDate() << QDate(2099, 1, 1) << false;
    }
    void expiry()
    {
        QFETCH(QDate, expires);
        QFETCH(QDate, day);
        QFETCH(bool, expired);
        QCOMPARE(material("Молоко", "КМ", expires).isExpiredOn(day), expired);
    }
};

QTEST_GUILESS_MAIN(TestControlMaterials)
#include "tst_controlmaterials.moc"
