#include <QTest>

#include <QSet>
#include <QStringDecoder>

#include "text/Cp1251.h"

class TestCp1251 : public QObject
{
    Q_OBJECT
private slots:
    // Any file reads back whole: every byte has its own character and writes back as itself.
    void allBytesBothWays()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString text = Cp1251::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
        bool ok = false;
        QCOMPARE(Cp1251::encode(text, &ok), all);
        QVERIFY(ok);
    }

    // The system's own converter agrees everywhere but on 0x98, which it leaves unmapped.
    void agreesWithSystemConverter()
    {
        QStringDecoder system("windows-1251");
        if (!system.isValid())
            QSKIP("no windows-1251 converter in this Qt");
        for (int i = 0; i < 256; ++i) {
            if (i == 0x98)
                continue;
            const char byte = char(i);
            const QString want = system.decode(QByteArrayView(&byte, 1));
            QCOMPARE(Cp1251::decode(QByteArrayView(&byte, 1)), want);
        }
    }

    void cyrillic_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("alphabet ends") << QStringLiteral("АЯая") << QByteArray("\xC0\xDF\xE0\xFF");
        QTest::newRow("yo") << QStringLiteral("Ёё") << QByteArray("\xA8\xB8");
        QTest::newRow("label") << QStringLiteral("Проба № 1; 3,45")
                               << QByteArray("\xCF\xF0\xEE\xE1\xE0 \xB9 1; 3,45");
        QTest::newRow("euro, dash, quotes")
            << QStringLiteral("€–«»") << QByteArray("\x88\x96\xAB\xBB");
    }
    void cyrillic()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        bool ok = false;
        QCOMPARE(Cp1251::encode(text, &ok), bytes);
        QVERIFY(ok);
        QCOMPARE(Cp1251::decode(bytes), text);
    }

    void outsideThePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("han") << QStringLiteral("漢");
        QTest::newRow("latin with accent") << QStringLiteral("é");
        QTest::newRow("greek") << QStringLiteral("Ω");
        QTest::newRow("replacement char") << QStringLiteral("\uFFFD");
    }
    void outsideThePage()
    {
        QFETCH(QString, text);
        QVERIFY(!Cp1251::canEncode(text[0]));
        bool ok = true;
        QCOMPARE(Cp1251::encode(QStringLiteral("а") + text, &ok), QByteArray("\xE0?"));
        QVERIFY(!ok);
    }
};

QTEST_APPLESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
