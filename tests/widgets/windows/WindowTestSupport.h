#pragma once

// What the registration window tests share: a Russian locale pinned before the application
// starts, a recorder that answers the windows' message boxes, a clock the test moves, and
// small helpers over the simulator's log and the grid's editor.

#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QList>
#include <QLocale>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "controls/TColorStringGrid.h"
#include "sim/InstrumentSim.h"
#include "support/TestFiles.h"
#include "text/Cp1251.h"
#include "windows/TRegistrationWindow.h"

// The windows format through the system locale, which Qt reads from the environment once:
// it must be Russian before the application object exists.
#define WINDOW_TEST_MAIN(TestClass)                                      \
    int main(int argc, char **argv)                                      \
    {                                                                    \
        qputenv("LC_ALL", "ru_RU.UTF-8");                                \
        qputenv("LANG", "ru_RU.UTF-8");                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))              \
            qputenv("QT_QPA_PLATFORM", "offscreen");                     \
        QApplication app(argc, argv);                                    \
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); \
        TestClass tc;                                                    \
        QTEST_SET_MAIN_SOURCE_PATH                                       \
        return QTest::qExec(&tc, argc, argv);                            \
    }

struct BoxCall
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Answers the window's message boxes from a queue; a box with only OK gets OK.
class BoxRecorder
{
public:
    QList<BoxCall> calls;
    QList<QMessageBox::StandardButton> answers;
    QMessageBox::StandardButton fallback = QMessageBox::No;

    void attach(TRegistrationWindow &w)
    {
        w.MessageBox = [this](QMessageBox::Icon icon, const QString &caption, const QString &text,
                              QMessageBox::StandardButtons buttons) {
            calls.append({icon, caption, text, buttons});
            if (!answers.isEmpty())
                return answers.takeFirst();
            return buttons == QMessageBox::Ok ? QMessageBox::Ok : fallback;
        };
    }
    QStringList texts() const
    {
        QStringList t;
        for (const auto &c : calls)
            t.append(c.text);
        return t;
    }
};

// A clock the test moves by hand.
struct TestClock
{
    QDateTime now{QDate(2024, 3, 5), QTime(10, 0, 0)};
    void attach(TRegistrationWindow &w)
    {
        w.Now = [this] { return now; };
    }
};

// A program folder of the test's own, with the window's settings file, and windows made there
// with the box recorder, the test clock and no file dialogs. Call Prepare() from init() and
// Finish() from cleanup().
template <typename Window>
class WindowBench
{
protected:
    explicit WindowBench(QString iniName)
        : m_iniName(std::move(iniName))
    {}

    void Prepare()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        TRegistrationWindow::SetProgramDir(m_dir->path());
        m_boxes = BoxRecorder();
        m_clock = TestClock();
    }
    void Finish()
    {
        TRegistrationWindow::SetProgramDir(QString());
        m_dir.reset();
    }

    QString path(const QString &name) const { return m_dir->filePath(name); }

    void writeIni(const QString &body) { QVERIFY(putFile(path(m_iniName), Cp1251::encode(body))); }

    std::unique_ptr<Window> window()
    {
        auto w = std::make_unique<Window>();
        m_boxes.attach(*w);
        m_clock.attach(*w);
        w->AskOpenFileName = [](const QString &) { return QString(); };
        w->AskSaveFileName = [](const QString &) { return QString(); };
        return w;
    }
    // A window of `model` whose archive is the one in the test's folder.
    std::unique_ptr<Window> archivedWindow(const QString &model)
    {
        auto w = window();
        w->setModelName(model);
        w->ArchiveLink()->start(m_dir->path());
        return w;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    BoxRecorder m_boxes;
    TestClock m_clock;

private:
    QString m_iniName;
};

// The command codes of the requests the instrument saw, in order.
inline std::vector<int> requestCodes(const InstrumentSim &sim)
{
    std::vector<int> codes;
    for (const auto &f : sim.receivedFrames())
        codes.push_back(f.size() >= 5 ? f[4] : -1);
    return codes;
}

inline int countCode(const InstrumentSim &sim, int code)
{
    const auto codes = requestCodes(sim);
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
}

// The answered result exchanges (code 6), acknowledgements left out.
inline std::vector<InstrumentSim::Exchange> resultExchanges(const InstrumentSim &sim)
{
    std::vector<InstrumentSim::Exchange> out;
    for (const auto &e : sim.exchanges()) {
        if (e.resultFrame)
            out.push_back(e);
    }
    return out;
}

// Types a sample label into the grid the way the operator does: select, F2, type, Enter.
inline bool typeLabel(TColorStringGrid *grid, int row, const QString &text)
{
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row - 1, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    auto *editor = grid->findChild<QLineEdit *>();
    if (!editor || !grid->EditorOpen())
        return false;
    editor->selectAll();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    return QTest::qWaitFor([grid] { return !grid->EditorOpen(); }) && grid->Cells(1, row) == text;
}

inline QStringList rowCells(const TColorStringGrid *grid, int row)
{
    QStringList cells;
    for (int c = 0; c < grid->ColCount(); ++c)
        cells.append(grid->Cells(c, row));
    return cells;
}

inline QList<QStringList> gridRows(const TColorStringGrid *grid)
{
    QList<QStringList> rows;
    for (int r = 1; r < grid->RowCount(); ++r)
        rows.append(rowCells(grid, r));
    return rows;
}
