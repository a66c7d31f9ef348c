#include <QTest>

#include <optional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings/TIniPlus.h"
#include "support/TestFiles.h"
#include "text/Cp1251.h"

namespace {

void put(const QString &path, const QByteArray &bytes)
{
    QVERIFY(putFile(path, bytes));
}
QByteArray get(const QString &path)
{
    return getFile(path);
}
QByteArray cp(const QString &s)
{
    return Cp1251::encode(s);
}

} // namespace

class TestTIniPlus : public QObject
{
    Q_OBJECT

    QString m_file;
    QTemporaryDir *m_dir = nullptr;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        // Reachable for the unprivileged checks below.
        QFile::setPermissions(m_dir->path(), QFile::permissions(m_dir->path()) | QFile::ExeOther
                                                 | QFile::ReadOther);
        m_file = m_dir->filePath(QStringLiteral("Mirel2.Ini"));
    }
    void cleanup() { removeTestDir(m_dir); }

    void columnsOnlyWindows1251()
    {
        put(m_file, cp(QStringLiteral("[Columns]\r\n0=№ ст\r\n1=Проба\r\n6=Жир, %\r\n")));
        const TIniPlus ini(m_file);
        QCOMPARE(ini.FileEncoding(), TIniPlus::Encoding::Cp1251);
        QCOMPARE(ini.ReadString("Columns", "0", QString()), QStringLiteral("№ ст"));
        QCOMPARE(ini.ReadString("Columns", "1", QString()), QStringLiteral("Проба"));
        QCOMPARE(ini.ReadString("Columns", "6", QString()), QStringLiteral("Жир, %"));
        QCOMPARE(ini.ReadString("Columns", "7", QStringLiteral("-")), QStringLiteral("-"));
        QCOMPARE(ini.ReadString("Config", "COM", QStringLiteral("COM1")), QStringLiteral("COM1"));
        QCOMPARE(ini.ReadInteger("Config", "DeviceNumber", 0), 0);
        QCOMPARE(ini.ReadString("Config", "FileName", QStringLiteral("Новый.txt")),
                 QStringLiteral("Новый.txt"));
        QVERIFY(ini.ReadBool("View", "7", true));
        QVERIFY(!ini.SectionExists("View"));
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("decimal") << QByteArray("12") << 12;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("plus") << QByteArray("+3") << 3;
        QTest::newRow("blanks around") << QByteArray("  42  ") << 42;
        QTest::newRow("hex") << QByteArray("0x1F") << 31;
        QTest::newRow("hex upper") << QByteArray("0XfF") << 255;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("letters") << QByteArray("abc") << -99;
        QTest::newRow("digits then letters") << QByteArray("12abc") << -99;
        QTest::newRow("decimal comma") << QByteArray("3,5") << -99;
        QTest::newRow("empty") << QByteArray("") << -99;
        QTest::newRow("sign alone") << QByteArray("-") << -99;
        QTest::newRow("hex prefix alone") << QByteArray("0x") << -99;
        QTest::newRow("too large") << QByteArray("2147483648") << -99;
        QTest::newRow("far too large") << QByteArray("99999999999999999999") << -99;
    }
    void readInteger()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, result);
        put(m_file, "[Config]\r\nDeviceNumber=" + value + "\r\n");
        QCOMPARE(TIniPlus(m_file).ReadInteger("Config", "DeviceNumber", -99), result);
    }

    // True unless the value reads as the integer 0; what is no integer reads as the default,
    // so "yes" and "no" alike keep a column shown.
    void readBool_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("def");
        QTest::addColumn<bool>("result");
        QTest::newRow("0") << QByteArray("7=0") << true << false;
        QTest::newRow("1") << QByteArray("7=1") << false << true;
        QTest::newRow("5") << QByteArray("7=5") << false << true;
        QTest::newRow("-1") << QByteArray("7=-1") << false << true;
        QTest::newRow("00 with blanks") << QByteArray("7 =  00 ") << true << false;
        QTest::newRow("hex 0") << QByteArray("7=0x0") << true << false;
        QTest::newRow("yes, default true") << QByteArray("7=yes") << true << true;
        QTest::newRow("yes, default false") << QByteArray("7=yes") << false << false;
        QTest::newRow("false, default true") << QByteArray("7=false") << true << true;
        QTest::newRow("empty value") << QByteArray("7=") << true << true;
        QTest::newRow("missing") << QByteArray("8=0") << true << true;
    }
    void readBool()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, def);
        QFETCH(bool, result);
        put(m_file, "[View]\r\n" + line + "\r\n");
        QCOMPARE(TIniPlus(m_file).ReadBool("View", "7", def), result);
    }

    void namesIgnoreCase()
    {
        put(m_file, "[cOnFiG]\r\nDEVICENUMBER = 5\r\n");
        TIniPlus ini(m_file);
        QVERIFY(ini.SectionExists("Config"));
        QVERIFY(ini.ValueExists("CONFIG", "DeviceNumber"));
        QVERIFY(!ini.ValueExists("Config", "COM"));
        QCOMPARE(ini.ReadInteger("config", "devicenumber", 0), 5);
        QVERIFY(ini.WriteInteger("Config", "DeviceNumber", 6));
        QCOMPARE(get(m_file), QByteArray("[cOnFiG]\r\nDEVICENUMBER=6\r\n"));
    }

    // The program's writes touch only their own lines; the rest stays as it was, in order.
    void writeKeepsForeignLines()
    {
        const QString before = QStringLiteral("; настройки прибора\r\n"
                                              "[Config]\r\n"
                                              "COM=COM1\r\n"
                                              "# старый ключ\r\n"
                                              "Speed=9600\r\n"
                                              "\r\n"
                                              "[Columns]\r\n"
                                              "1=Проба\r\n"
                                              "\r\n"
                                              "[Unknown]\r\n"
                                              "a=b=c\r\n"
                                              "just text\r\n");
        put(m_file, cp(before));
        TIniPlus ini(m_file);
        QVERIFY(ini.WriteString("Config", "COM", "COM3"));
        QVERIFY(ini.WriteString("Config", "FileName", QStringLiteral("/home/лаб/Новый.txt")));
        QVERIFY(ini.WriteBool("View", "5", false));
        QVERIFY(ini.WriteBool("View", "6", true));
        const QString after = QStringLiteral("; настройки прибора\r\n"
                                             "[Config]\r\n"
                                             "COM=COM3\r\n"
                                             "# старый ключ\r\n"
                                             "Speed=9600\r\n"
                                             "FileName=/home/лаб/Новый.txt\r\n"
                                             "\r\n"
                                             "[Columns]\r\n"
                                             "1=Проба\r\n"
                                             "\r\n"
                                             "[Unknown]\r\n"
                                             "a=b=c\r\n"
                                             "just text\r\n"
                                             "[View]\r\n"
                                             "5=0\r\n"
                                             "6=1\r\n");
        QCOMPARE(get(m_file), cp(after));
        QCOMPARE(TIniPlus(m_file).ReadString("Unknown", "a", QString()), QStringLiteral("b=c"));
    }

    void writeKeepsEncodingAndLineEnds_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("eol");
        for (const char *enc : {"cp1251", "utf8", "utf8bom"}) {
            for (const char *eol : {"\r\n", "\n"}) {
                const QString name = QString::fromLatin1(enc)
                                     + (eol[1] ? QStringLiteral(" CR LF") : QStringLiteral(" LF"));
                QTest::newRow(qPrintable(name))
                    << QString::fromLatin1(enc) << QString::fromLatin1(eol);
            }
        }
    }
    void writeKeepsEncodingAndLineEnds()
    {
        QFETCH(QString, encoding);
        QFETCH(QString, eol);
        const auto bytes = [&](const QString &text) {
            if (encoding == "cp1251")
                return cp(text);
            return (encoding == "utf8bom" ? QByteArray("\xEF\xBB\xBF") : QByteArray())
                   + text.toUtf8();
        };
        const QString before = QStringLiteral("[Columns]%1 0=№ ст%1").arg(eol);
        put(m_file, bytes(before));
        TIniPlus ini(m_file);
        QVERIFY(ini.WriteString("Config", "FileName", QStringLiteral("Новый.txt")));
        QCOMPARE(get(m_file),
                 bytes(before + QStringLiteral("[Config]%1FileName=Новый.txt%1").arg(eol)));
        QCOMPARE(TIniPlus(m_file).ReadString("Columns", "0", QString()), QStringLiteral("№ ст"));
    }

    // Some editors put the byte-order mark in more than once. Reading dropped two marks and
    // writing put back one, so with three marks the first section came to light only after a
    // write, and the key written then went into a second section that no read could reach.
    void repeatedByteOrderMarks_data()
    {
        QTest::addColumn<int>("marks");
        QTest::newRow("two") << 2;
        QTest::newRow("three") << 3;
    }
    void repeatedByteOrderMarks()
    {
        QFETCH(int, marks);
        const QByteArray bom("\xEF\xBB\xBF");
        put(m_file, bom.repeated(marks) + "[Config]\r\nCOM=COM5\r\n");
        TIniPlus ini(m_file);
        QCOMPARE(ini.FileEncoding(), TIniPlus::Encoding::Utf8Bom);
        QCOMPARE(ini.ReadString("Config", "COM", QString()), QStringLiteral("COM5"));
        QVERIFY(ini.WriteInteger("Config", "DeviceNumber", 7));
        QCOMPARE(get(m_file), bom + "[Config]\r\nCOM=COM5\r\nDeviceNumber=7\r\n");
        QCOMPARE(TIniPlus(m_file).ReadInteger("Config", "DeviceNumber", 0), 7);
    }

    // Losing a character is worse than a file in UTF-8, which reads back as well.
    void unencodableValueMovesFileToUtf8()
    {
        put(m_file, cp(QStringLiteral("[Columns]\r\n1=Проба\r\n")));
        TIniPlus ini(m_file);
        QVERIFY(ini.WriteString("Config", "FileName", QStringLiteral("/data/漢.txt")));
        QCOMPARE(get(m_file),
                 QStringLiteral("[Columns]\r\n1=Проба\r\n[Config]\r\nFileName=/data/漢.txt\r\n")
                     .toUtf8());
        const TIniPlus again(m_file);
        QCOMPARE(again.FileEncoding(), TIniPlus::Encoding::Utf8);
        QCOMPARE(again.ReadString("Columns", "1", QString()), QStringLiteral("Проба"));
        QCOMPARE(again.ReadString("Config", "FileName", QString()), QStringLiteral("/data/漢.txt"));
    }

    void newFile()
    {
        TIniPlus ini(m_file);
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(ini.ReadString("Config", "COM", QStringLiteral("COM1")), QStringLiteral("COM1"));
        QVERIFY(ini.WriteString("Config", "COM", "COM2"));
        QVERIFY(ini.WriteString("Config", "FileName", QStringLiteral("Новый1.txt")));
        QVERIFY(ini.WriteInteger("Config", "DeviceNumber", 65535));
        QCOMPARE(get(m_file), QStringLiteral("[Config]\r\nCOM=COM2\r\nFileName=Новый1.txt\r\n"
                                             "DeviceNumber=65535\r\n")
                                  .toUtf8());
        QCOMPARE(TIniPlus(m_file).ReadInteger("Config", "DeviceNumber", 0), 65535);
    }

    void valueStaysOneValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("commas") << QStringLiteral("a,b, c") << QStringLiteral("a,b, c");
        QTest::newRow("quotes and semicolon")
            << QStringLiteral("\"x\"; y") << QStringLiteral("\"x\"; y");
        QTest::newRow("equals sign") << QStringLiteral("k=v") << QStringLiteral("k=v");
        QTest::newRow("line ends become blanks")
            << QStringLiteral("one\r\ntwo\nthree") << QStringLiteral("one  two three");
        QTest::newRow("blanks around are trimmed")
            << QStringLiteral("  x  ") << QStringLiteral("x");
    }
    void valueStaysOneValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        TIniPlus ini(m_file);
        QVERIFY(ini.WriteString("Config", "FileName", value));
        QVERIFY(ini.WriteString("Config", "COM", "COM1"));
        const TIniPlus again(m_file);
        QCOMPARE(again.ReadString("Config", "FileName", QString()), readBack);
        QCOMPARE(again.ReadString("Config", "COM", QString()), QStringLiteral("COM1"));
        QCOMPARE(get(m_file).count('\n'), 3);
    }

    void readOnlyFolderKeepsOldFile()
    {
        const QString folder = m_dir->filePath("ro");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + "/Tarvo.Ini";
        const QByteArray old("[Config]\r\nCOM=COM4\r\n");
        put(path, old);
        QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x6444)));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        {
            AsNobody nobody;
            TIniPlus ini(path);
            QCOMPARE(ini.ReadString("Config", "COM", QString()), QStringLiteral("COM4"));
            QVERIFY(!ini.WriteString("Config", "COM", "COM5"));
            QVERIFY(!ini.WriteInteger("Config", "DeviceNumber", 3));
        }
        QCOMPARE(get(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarvo.Ini"});
    }

    // The keys of a close go out in one rewrite: nothing reaches the file before commit, a
    // line changed by someone else before the update began survives, and a refused rewrite
    // leaves the old file whole and says so.
    void updateWritesOnce_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("committed");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("one rewrite")
            << false << true
            << QByteArray("[Config]\r\nCOM=COM5\r\nOther=2\r\nFileName=a.txt\r\n"
                          "DeviceNumber=7\r\n");
        QTest::newRow("refused") << true << false
                                 << QByteArray("[Config]\r\nCOM=COM4\r\nOther=2\r\n");
    }
    void updateWritesOnce()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, committed);
        QFETCH(QByteArray, after);
        const QString folder = m_dir->filePath("f");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + "/Tarvo.Ini";
        put(path, "[Config]\r\nCOM=COM4\r\nOther=1\r\n");
        TIniPlus ini(path);
        put(path, "[Config]\r\nCOM=COM4\r\nOther=2\r\n"); // another program's change
        const QByteArray before = get(path);
        if (readOnly) {
            QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x6444)));
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        }
        std::optional<AsNobody> nobody;
        if (readOnly)
            nobody.emplace();
        ini.beginUpdate();
        QVERIFY(ini.WriteString("Config", "COM", "COM5"));
        QVERIFY(ini.WriteString("Config", "FileName", "a.txt"));
        QVERIFY(ini.WriteInteger("Config", "DeviceNumber", 7));
        QCOMPARE(get(path), before);
        QCOMPARE(ini.commit(), committed);
        QCOMPARE(get(path), after);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarvo.Ini"});
    }

    // A file that is there but cannot be read must not be replaced by a file of our keys.
    void unreadableFileIsNotReplaced()
    {
        const QByteArray old("[Config]\r\nCOM=COM4\r\nOther=1\r\n");
        put(m_file, old);
        QVERIFY(QFile::setPermissions(m_file, QFile::Permissions(0x2000)));
        {
            AsNobody nobody;
            TIniPlus ini(m_file);
            QCOMPARE(ini.ReadString("Config", "COM", QStringLiteral("COM1")),
                     QStringLiteral("COM1"));
            QVERIFY(!ini.WriteString("Config", "COM", "COM5"));
        }
        QCOMPARE(get(m_file), old);
    }

    void pathIsFolder()
    {
        QVERIFY(QDir().mkdir(m_file));
        TIniPlus ini(m_file);
        QCOMPARE(ini.ReadInteger("Config", "DeviceNumber", 3), 3);
        QVERIFY(!ini.WriteInteger("Config", "DeviceNumber", 4));
        QVERIFY(QFileInfo(m_file).isDir());
    }

    void tooLargeIsLeftAlone()
    {
        QByteArray big("[Config]\r\nCOM=COM9\r\n");
        big.append(TIniPlus::MaxFileSize, ';');
        put(m_file, big);
        TIniPlus ini(m_file);
        QVERIFY(ini.tooLarge()); // for the window to tell, not to pass over in silence
        QCOMPARE(ini.ReadString("Config", "COM", QStringLiteral("COM1")), QStringLiteral("COM1"));
        QVERIFY(!ini.WriteString("Config", "COM", "COM2"));
        QCOMPARE(get(m_file), big);
    }

    // Damaged files read as far as they make sense and take the program's keys afterwards.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("com");
        QByteArray noise(4096, Qt::Uninitialized);
        quint32 x = 12345;
        for (char &c : noise) {
            x = x * 1103515245u + 12345u;
            c = char(x >> 24);
        }
        QTest::newRow("binary") << noise << QStringLiteral("COM1");
        QTest::newRow("binary before the section") << noise + "\r\n[Config]\r\nCOM=COM7\r\n"
                                                   << QStringLiteral("COM7");
        QTest::newRow("NUL bytes")
            << QByteArray("[Config]\r\nX=\0\0\0\r\nCOM=COM7\r\n", 27) << QStringLiteral("COM7");
        QTest::newRow("all NUL") << QByteArray(512, '\0') << QStringLiteral("COM1");
        QTest::newRow("no last line end")
            << QByteArray("[Config]\r\nCOM=COM7") << QStringLiteral("COM7");
        QTest::newRow("unclosed section")
            << QByteArray("[Config\r\nCOM=COM7\r\n") << QStringLiteral("COM1");
        QTest::newRow("key without value")
            << QByteArray("[Config]\r\nCOM\r\n") << QStringLiteral("COM1");
        QTest::newRow("cut inside a UTF-8 letter")
            << QByteArray("[Config]\r\nCOM=COM7\r\nFileName=\xD0") << QStringLiteral("COM7");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("COM1");
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, com);
        put(m_file, bytes);
        TIniPlus ini(m_file);
        QCOMPARE(ini.ReadString("Config", "COM", QStringLiteral("COM1")), com);
        QVERIFY(ini.WriteInteger("Config", "DeviceNumber", 12));
        QVERIFY(ini.WriteString("Config", "COM", "COM8"));
        const TIniPlus again(m_file);
        QCOMPARE(again.ReadInteger("Config", "DeviceNumber", 0), 12);
        QCOMPARE(again.ReadString("Config", "COM", QString()), QStringLiteral("COM8"));
    }
};

QTEST_GUILESS_MAIN(TestTIniPlus)
#include "tst_tiniplus.moc"
