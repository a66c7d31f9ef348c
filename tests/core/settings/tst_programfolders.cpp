#include <QTemporaryDir>
#include <QTest>

#include "settings/ProgramFolders.h"
#include "support/TestFiles.h"

// The folders as an installed program sees them: its own folder read-only for the user.
class TestProgramFolders : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void writableFolderKeepsEverythingBeside();
    void readOnlyFolderUsesTheUsersFolders_data();
    void readOnlyFolderUsesTheUsersFolders();
    void settingsBesideAreTheStartingPoint();
    void relativeXdgVariablesAreIgnored();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_program;
};

void TestProgramFolders::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_program = m_dir->filePath("bin");
    QVERIFY(QDir().mkpath(m_program));
    // The folders must be reachable for nobody (see AsNobody).
    QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777));
    QFile::setPermissions(m_program, QFile::Permissions(0x7777));
    ProgramFolders::setProgramDir(m_program);
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        qputenv(v, QFile::encodeName(m_dir->filePath(QString::fromLatin1(v))));
}

void TestProgramFolders::cleanup()
{
    ProgramFolders::setProgramDir(QString());
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        qunsetenv(v);
    QFile::setPermissions(m_program, QFile::Permissions(0x7700));
    removeTestDir(m_dir);
}

void TestProgramFolders::writableFolderKeepsEverythingBeside()
{
    const QString beside = m_program + "/Tarvo.Ini";
    QCOMPARE(ProgramFolders::settingsPath("Tarvo.Ini"), beside);
    QCOMPARE(ProgramFolders::statePath("Tarvo.journal"), m_program + "/Tarvo.journal");
    QCOMPARE(ProgramFolders::dataPath("reg01.sqlite"), m_program + "/reg01.sqlite");
}

void TestProgramFolders::readOnlyFolderUsesTheUsersFolders_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("variable");
    QTest::newRow("settings") << "settings"
                              << "XDG_CONFIG_HOME";
    QTest::newRow("journal") << "state"
                             << "XDG_STATE_HOME";
    QTest::newRow("archive") << "data"
                             << "XDG_DATA_HOME";
}

void TestProgramFolders::readOnlyFolderUsesTheUsersFolders()
{
    QFETCH(QString, kind);
    QFETCH(QString, variable);
    QFile::setPermissions(m_program,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    AsNobody nobody;
    QVERIFY(!ProgramFolders::programDirWritable());
    const QString path = kind == "settings" ? ProgramFolders::settingsPath("x")
                         : kind == "state"  ? ProgramFolders::statePath("x")
                                            : ProgramFolders::dataPath("x");
    QCOMPARE(path, m_dir->filePath(variable) + "/reg01/x");
    QVERIFY(QFileInfo(m_dir->filePath(variable) + "/reg01").isDir());
}

void TestProgramFolders::settingsBesideAreTheStartingPoint()
{
    QVERIFY(putFile(m_program + "/Mirel2.Ini", "[Config]\r\nCOM=ttyS1\r\n"));
    QFile::setPermissions(m_program,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    AsNobody nobody;
    const QString own = ProgramFolders::settingsPath("Mirel2.Ini");
    QCOMPARE(own, m_dir->filePath("XDG_CONFIG_HOME") + "/reg01/Mirel2.Ini");
    QCOMPARE(getFile(own), QByteArray("[Config]\r\nCOM=ttyS1\r\n"));
    // The user's copy, once made, is what counts from then on.
    QVERIFY(putFile(own, "[Config]\r\nCOM=ttyUSB0\r\n"));
    QCOMPARE(getFile(ProgramFolders::settingsPath("Mirel2.Ini")),
             QByteArray("[Config]\r\nCOM=ttyUSB0\r\n"));
}

void TestProgramFolders::relativeXdgVariablesAreIgnored()
{
    qputenv("XDG_STATE_HOME", "relative/state");
    const QString home = m_dir->filePath("home");
    qputenv("HOME", QFile::encodeName(home));
    QFile::setPermissions(m_program,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777));
    QDir().mkpath(home);
    QFile::setPermissions(home, QFile::Permissions(0x7777));
    AsNobody nobody;
    QCOMPARE(ProgramFolders::statePath("j"), home + "/.local/state/reg01/j");
}

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"
