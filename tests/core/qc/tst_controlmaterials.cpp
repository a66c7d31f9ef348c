#include <QTest>

#include <QTemporaryDir>

#include "qc/ControlMaterials.h"
#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/QcStrings.h"

namespace {

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

    QTemporaryDir m_dir;
    const QString m_file = m_dir.filePath(QStringLiteral("Tarvo.Ini"));

    ControlMaterials readBack(QStringList *notes = nullptr) const
    {
        return ControlMaterials::read(TIniPlus(m_file), 5, 31, notes);
    }

private slots:
    void read_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("materials");
        QTest::addColumn<QStringList>("notes");
        const QString a = "1.Name=Молоко А\n1.Prefix=КМА\n";

        QTest::newRow("by hand") << "1.Name=Молоко А\n1.Lot=2611\n1.prefix=КМА\n1.Expires=31.01."
                                    "2027\n1.7= 3,52 ; 0,030 \n1.9=1028.5;0.3\nEverySamples=50\n"
                                 << "Молоко А|2611|КМА|2027-01-31|7=3.52;0.03 9=1028.5;0.3"
                                 << QStringList{};
        // Each bad line loses its column alone; the first of two lines of a column counts.
        QTest::newRow("bad columns")
            << a
                   + "1.6=3.52\n1.7=3,5,2;0.03\n1.8=3.52;0\n1.9=1;-0.1\n1.10=1;1e999\n1.4=1;1\n"
                     "1.11=3.1;0.02\n1.011=9;9\n1.12=\n"
            << "Молоко А||КМА||11=3.1;0.02"
            << QStringList{Str::QcNoteBadTarget.arg(1).arg(6).arg("3.52"),
                           Str::QcNoteBadTarget.arg(1).arg(7).arg("3,5,2;0.03"),
                           Str::QcNoteBadSd.arg(1).arg(8).arg("3.52;0"),
                           Str::QcNoteBadSd.arg(1).arg(9).arg("1;-0.1"),
                           Str::QcNoteBadTarget.arg(1).arg(10).arg("1;1e999"),
                           Str::QcNoteNoColumn.arg(1).arg(4)};
        QTest::newRow("bad materials")
            << "0.Name=x\n1.Name=А\n1.7=3.52;0.03\n2.Prefix=КМБ\n3.Name=В\n3.Prefix=КМВ\n"
               "3.Expires=31.02.2027\n4.Name=Г\n4.Prefix=КМГ\n5.Name=Д\n5.Prefix=кмг\n"
               "6.Name=\n6.Prefix=\n"
            << "Г||КМГ||"
            << QStringList{Str::QcNoteBadKey.arg("0.Name"), Str::QcNoteNoPrefix.arg(1),
                           Str::QcNoteNoName.arg(2), Str::QcNoteBadDate.arg(3).arg("31.02.2027"),
                           Str::QcNoteSamePrefix.arg(5).arg("кмг")};
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

    void write()
    {
        const QByteArray before = "[Config]\r\nCOM=/dev/ttyS0\r\n";
        QVERIFY(putFile(m_file, before));
        TIniPlus ini(m_file);
        QVERIFY(ControlMaterials().write(ini));
        QCOMPARE(getFile(m_file), before); // nothing to say, nothing written
        // Lines and keys that read as what they should say keep their spelling.
        const QByteArray hand = before
                                + "[Control]\r\n1.Name=А\r\n1.Prefix=КМА\r\n"
                                  "1.Expires=31.01.2027\r\n1.07=3,520;0,03\r\n";
        QVERIFY(putFile(m_file, hand));
        ini.beginUpdate(); // reads the file anew
        QVERIFY(readBack().write(ini));
        QVERIFY(ini.commit());
        QCOMPARE(getFile(m_file), hand);

        ControlMaterials two;
        QVERIFY(two.append(material("Молоко А", "КМА", QDate(2027, 1, 31))));
        QVERIFY(two.append(material("Молоко Б", "КМБ")));
        QVERIFY(!two.append(material("Молоко В", "кмб")));
        QVERIFY(two.write(ini));
        QCOMPARE(readBack(), two);

        // The first goes and the second takes its number; a key of no known field stays.
        QVERIFY(ini.WriteString(ControlMaterials::Section, "2.Colour", "синий"));
        ControlMaterials one;
        one.append(two.list()[1]);
        QVERIFY(one.write(ini));
        QStringList notes;
        QCOMPARE(readBack(&notes), one);
        QCOMPARE(notes, QStringList{Str::QcNoteBadKey.arg("2.Colour")});
    }

    void materialFor_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("material");
        QTest::newRow("prefix") << "КМ 12" << 0;
        QTest::newRow("longer prefix wins") << "КМА-3" << 1;
        QTest::newRow("other case, blanks") << "  кма7 " << 1;
        QTest::newRow("sample") << "Проба КМ" << -1;
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

    void nextLabel_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("next");
        QTest::newRow("first") << QStringList{"Проба 1", ""} << "КМ-1";
        QTest::newRow("after the highest, any case, with or without a dash")
            << QStringList{"КМ-2", "км5", " КМ-3 "} << "КМ-6";
        QTest::newRow("numbers after other words are not the material's")
            << QStringList{"КМ-2", "Проба КМ-9", "КМ-x"} << "КМ-3";
        QTest::newRow("a number past reason is not counted")
            << QStringList{"КМ-1", "КМ-99999999999"} << "КМ-2";
    }
    void nextLabel()
    {
        QFETCH(QStringList, labels);
        QFETCH(QString, next);
        QCOMPARE(material("Молоко", "КМ").nextLabel(labels), next);
    }

    void expiry()
    {
        const ControlMaterial m = material("Молоко", "КМ", QDate(2027, 1, 31));
        QVERIFY(!m.isExpiredOn(QDate(2027, 1, 31))); // usable through its last day
        QVERIFY(m.isExpiredOn(QDate(2027, 2, 1)));
        QVERIFY(!material("Молоко", "КМ").isExpiredOn(QDate(2099, 1, 1)));
    }
};

QTEST_GUILESS_MAIN(TestControlMaterials)
#include "tst_controlmaterials.moc"
