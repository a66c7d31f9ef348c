// The status bar's archive and server labels keep to one line in the room the window has:
// a long status is cut with its whole text in the tooltip, and never widens the window.

#include <memory>

#include <QLabel>
#include <QStatusBar>

#include "WindowTestSupport.h"
#include "controls/TElidedLabel.h"
#include "text/ServerStrings.h"
#include "text/Strings.h"
#include "windows/TArchiveLink.h"
#include "windows/TForm2.h"

class TestStatusLine : public QObject, public WindowBench<TForm2>
{
    Q_OBJECT
public:
    TestStatusLine()
        : WindowBench(QStringLiteral("Tarvo.Ini"))
    {}

private slots:
    void init() { Prepare(); }
    void cleanup() { Finish(); }

    void longStatusCut_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        QTest::newRow("narrow window") << 640 << true;
        QTest::newRow("wide window") << 2600 << false;
    }
    void longStatusCut()
    {
        QFETCH(int, width);
        QFETCH(bool, cut);
        // A refused password is the longest status the settings alone give.
        writeIni(QStringLiteral("[Config]\r\nFileName=%1\r\n[Archive]\r\nServer=host=127.0.0.1 "
                                "port=1 user=reg01 password=s3cret\r\n")
                     .arg(path("a.txt")));
        auto w = window();
        w->setModelName(Str::ModelTarvo);
        w->resize(width, 400);
        w->show();
        w->ArchiveLink()->start(m_dir->path());
        auto *label = w->findChild<TElidedLabel *>(QStringLiteral("ServerStatus"));
        QVERIFY(label);
        const QString whole = Str::ServerFailed.arg(Str::ServerPasswordRefused);
        QTRY_COMPARE(label->text(), whole);
        QTRY_VERIFY(label->isVisible() && label->width() > 0);
        QCOMPARE(w->width(), width);
        QVERIFY(w->minimumSizeHint().width() <= width);
        QCOMPARE(label->height(), label->sizeHint().height()); // one line
        QCOMPARE(label->elided(), cut);
        if (cut) {
            QVERIFY(label->shownText().endsWith(QChar(0x2026)));
            QVERIFY(label->geometry().right() < w->width());
            QCOMPARE(label->toolTip(), whole);
        } else {
            QCOMPARE(label->shownText(), whole);
            QCOMPARE(label->toolTip(), Str::ServerPasswordRefused);
        }
    }
};

QTEST_MAIN(TestStatusLine)
#include "tst_statusline.moc"
