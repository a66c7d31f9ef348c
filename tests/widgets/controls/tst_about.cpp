#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "ProgramVersion.h"
#include "controls/TfrmBAbout.h"
#include "text/Strings.h"

// Takes the links the window hands to the desktop instead of starting a browser.
class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    QStringList urls;

public slots:
    void open(const QUrl &url) { urls.append(url.toString()); }
};

class TestAbout : public QObject
{
    Q_OBJECT

private:
    static void moveOver(QWidget *w)
    {
        const QPointF local(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    }
    static Qt::CursorShape cursorShape()
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        return c ? c->shape() : Qt::ArrowCursor;
    }
    static int overrideDepth()
    {
        int depth = 0;
        while (QGuiApplication::overrideCursor()) {
            QGuiApplication::restoreOverrideCursor();
            ++depth;
        }
        return depth;
    }

private slots:
    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<bool>("positionOnly");
        QTest::newRow("GroupBox1") << "GroupBox1" << QRect(16, 8, 521, 169) << false;
        QTest::newRow("Image1") << "Image1" << QRect(8, 8, 150, 137) << false;
        QTest::newRow("lblProgName") << "lblProgName" << QRect(176, 24, 0, 0) << true;
        QTest::newRow("lblVersion") << "lblVersion" << QRect(176, 44, 0, 0) << true;
        QTest::newRow("lblCompanyName") << "lblCompanyName" << QRect(176, 64, 0, 0) << true;
        QTest::newRow("lblTel") << "lblTel" << QRect(176, 96, 0, 0) << true;
        QTest::newRow("lblSite") << "lblSite" << QRect(176, 132, 0, 0) << true;
        QTest::newRow("lblemail") << "lblemail" << QRect(296, 132, 0, 0) << true;
        QTest::newRow("Button1") << "Button1" << QRect(232, 200, 75, 25) << false;
    }
    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        QFETCH(bool, positionOnly);
        TfrmBAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.size(), QSize(556, 233));
        const std::map<QString, QWidget *> widgets = {{"GroupBox1", about.GroupBox1},
                                                      {"Image1", about.Image1},
                                                      {"lblProgName", about.lblProgName},
                                                      {"lblVersion", about.lblVersion},
                                                      {"lblCompanyName", about.lblCompanyName},
                                                      {"lblTel", about.lblTel},
                                                      {"lblSite", about.lblSite},
                                                      {"lblemail", about.lblemail},
                                                      {"Button1", about.Button1}};
        QWidget *w = widgets.at(name);
        if (positionOnly)
            QCOMPARE(w->pos(), expected.topLeft());
        else
            QCOMPARE(w->geometry(), expected);
        if (name.startsWith(u"lbl") || name == u"Button1")
            QVERIFY(w->font().bold());
        if (name != u"GroupBox1" && name != u"Button1")
            QCOMPARE(w->parentWidget(), about.GroupBox1);
    }

    void textsAndLinks()
    {
        TfrmBAbout about;
        QVERIFY(about.GroupBox1->title().isEmpty());
        QCOMPARE(about.Button1->text(), QStringLiteral("OK"));
        QCOMPARE(about.lblSite->text(), Str::AboutSite);
        QCOMPARE(about.lblemail->text(), Str::AboutEmail);
        for (QLabel *link : {about.lblSite, about.lblemail}) {
            QVERIFY(link->font().underline());
            QVERIFY(link->font().bold());
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        }
        // The texts a registration window puts in must show whole.
        const QString tel = QStringLiteral("тел/факс +7 (000) 000-00-00, +7 (000) 000-00-01");
        about.lblTel->setText(tel);
        QVERIFY(about.lblTel->width() >= about.lblTel->fontMetrics().horizontalAdvance(tel));
        QVERIFY(about.lblTel->geometry().right() < about.GroupBox1->width());
    }

    void versionsShown()
    {
        TfrmBAbout about;
        // What a registration window puts in, so that the lines are as tall as they will be.
        about.lblProgName->setText(Str::AboutProgram);
        about.lblCompanyName->setText(Str::AboutCompany);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        // The build filled in a real version, and it shows beside the Qt this runs on.
        const QString build = QLatin1String(Build::version);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+(\\.\\d+)*$"))
                     .match(build)
                     .hasMatch(),
                 qPrintable(build));
        const QString text = about.lblVersion->text();
        QCOMPARE(text, QStringLiteral("Версия %1, Qt %2").arg(build, QLatin1String(qVersion())));
        // The whole line shows, inside the box, clear of the name above and the company below.
        const QLabel *version = about.lblVersion;
        QVERIFY(version->isVisible());
        QVERIFY(version->width() >= version->fontMetrics().horizontalAdvance(text));
        QVERIFY(version->geometry().right() < about.GroupBox1->width());
        QVERIFY(version->y() > about.lblProgName->geometry().bottom());
        QVERIFY(version->geometry().bottom() < about.lblCompanyName->y());
    }

    void pictureIsDrawn()
    {
        const QImage image = TfrmBAbout::makerPicture(QSize(150, 137)).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(inked > image.width() * image.height() / 10);
        QVERIFY(qAlpha(image.pixel(1, 1)) == 0); // transparent around the figure
    }

    void cursorFollowsTheLinks()
    {
        TfrmBAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(cursorShape(), Qt::ArrowCursor);
        moveOver(about.lblemail);
        QCOMPARE(cursorShape(), Qt::PointingHandCursor);
        moveOver(about.lblemail);
        moveOver(about.lblSite);
        QCOMPARE(cursorShape(), Qt::PointingHandCursor);
        moveOver(about.GroupBox1);
        QCOMPARE(cursorShape(), Qt::ArrowCursor);
        QCOMPARE(overrideDepth(), 0); // one hand was set, and it is gone again
        moveOver(about.lblSite);
        QCOMPARE(cursorShape(), Qt::PointingHandCursor);
        moveOver(about.lblSite);
        QCOMPARE(overrideDepth(), 1); // moving over a link again sets no second hand
        moveOver(about.lblSite);
        about.hide();
        QCOMPARE(cursorShape(), Qt::ArrowCursor); // no hand left behind the closed window
        QCOMPARE(overrideDepth(), 0);
    }

    void linksOpenThroughTheDesktop()
    {
        LinkCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        TfrmBAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.lblemail, Qt::LeftButton);
        QTest::mouseClick(about.lblSite, Qt::LeftButton);
        QTest::mouseClick(about.lblProgName, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.urls,
                 (QStringList{QStringLiteral("mailto:") + Str::AboutEmail, Str::AboutSiteUrl}));
        QVERIFY(about.isVisible());
    }

    void okAccepts()
    {
        TfrmBAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.Button1, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
