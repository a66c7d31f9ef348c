#include <QTest>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include "quality/TDecimalValidator.h"
#include "quality/TLimitsDialog.h"

namespace {

const QLocale Ru(QLocale::Russian, QLocale::Russia);

TLimit lim(double min, double max)
{
    return TLimit{min, max};
}
constexpr double None = std::numeric_limits<double>::quiet_NaN();

} // namespace

class TestLimitsDialog : public QObject
{
    Q_OBJECT

private slots:
    void typing_data()
    {
        QTest::addColumn<bool>("russian");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("point becomes the comma") << true << "2.8"
                                                 << "2,8";
        QTest::newRow("comma becomes the point") << false << "2,8"
                                                 << "2.8";
        QTest::newRow("negative") << true << "-0.520"
                                  << "-0,520";
        QTest::newRow("second separator refused") << true << "1.2.3"
                                                  << "1,23";
        QTest::newRow("letters, blank, sign refused") << true << "a1 0e-5"
                                                      << "105";
        QTest::newRow("length") << true << QString(30, u'9') << QString(20, u'9');
    }
    void typing()
    {
        QFETCH(bool, russian);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QLineEdit edit;
        edit.setValidator(new TDecimalValidator(russian ? Ru : QLocale::c(), &edit));
        QTest::keyClicks(&edit, keys);
        QCOMPARE(edit.text(), text);
    }

    void editsLimits()
    {
        TLimits given;
        given.setLimit(6, lim(2.8, 6.0));
        given.setLimit(15, lim(None, -0.52)); // not in the table: kept
        TLimitsDialog dialog({{6, QStringLiteral("Жир")},
                              {7, QStringLiteral("СОМО")},
                              {10, QStringLiteral("Доб.вода")},
                              {11, QString()}},
                             given, nullptr, Ru);
        QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QCOMPARE(dialog.lineCount(), 4);
        QCOMPARE(dialog.minEdit(0)->text(), QStringLiteral("2,8"));
        QCOMPARE(dialog.maxEdit(0)->text(), QStringLiteral("6"));
        QVERIFY(ok->isEnabled());
        QVERIFY(dialog.limits() == given);

        QTest::keyClicks(dialog.minEdit(1), QStringLiteral("9"));
        QTest::keyClicks(dialog.maxEdit(1), QStringLiteral("8.5"));
        QVERIFY(!ok->isEnabled());
        QCOMPARE(dialog.problem(), QStringLiteral("«СОМО»: минимум больше максимума"));
        dialog.minEdit(1)->setText(QStringLiteral("8,2"));
        QVERIFY(ok->isEnabled());

        QTest::keyClicks(dialog.maxEdit(2), QStringLiteral("-"));
        QVERIFY(!ok->isEnabled()); // a sign alone is no number yet
        QCOMPARE(dialog.problem(), QStringLiteral("«Доб.вода»: «-» не число"));
        QTest::keyClicks(dialog.maxEdit(2), QStringLiteral("0"));
        QVERIFY(ok->isEnabled());

        dialog.minEdit(0)->clear();
        dialog.maxEdit(0)->clear(); // fat without limits
        QTest::keyClicks(dialog.minEdit(3), QStringLiteral("1"));

        TLimits want;
        want.setLimit(7, lim(8.2, 8.5));
        want.setLimit(10, lim(None, 0));
        want.setLimit(11, lim(1, None));
        want.setLimit(15, lim(None, -0.52));
        QVERIFY(dialog.limits() == want);
    }
};

QTEST_MAIN(TestLimitsDialog)
#include "tst_limitsdialog.moc"
