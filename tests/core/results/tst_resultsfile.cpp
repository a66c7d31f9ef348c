#include <QTest>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "results/TResultsFile.h"
#include "results/TableBudget.h"
#include "support/TestFiles.h"
#include "table/TRowStore.h"
#include "text/Cp1251.h"
#include "text/Strings.h"

namespace {

// Cells given without column 0, as a file holds them.
TRowStore tableOf(int cols, const QList<QStringList> &rows)
{
    TRowStore t(cols);
    for (const QStringList &cells : rows) {
        t.AppendRow();
        for (int c = 0; c < cells.size(); ++c)
            t.SetCell(c + 1, t.RowCount() - 1, cells[c]);
    }
    return t;
}

// Every row as "number|cell1|cell2|...".
QStringList rowsOf(const TRowStore &t)
{
    QStringList out;
    for (int r = 0; r < t.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t.ColCount(); ++c)
            cells << t.Cell(c, r);
        out << cells.join(u'|');
    }
    return out;
}

QByteArray cp(const QString &s)
{
    return Cp1251::encode(s);
}

QList<QByteArray> linesOf(const TRowStore &t)
{
    QList<QByteArray> out;
    for (int r = 0; r < t.RowCount(); ++r)
        out << t.Line(r);
    return out;
}

// Plain lines changed the plain way: what the compact store must hold.
struct PlainRows
{
    int cols = 1;
    QList<QByteArray> lines;

    // A line as SetLine takes it: missing cells empty, surplus fields run into the last.
    QByteArray fitted(QByteArray line) const
    {
        if (line.endsWith('\r'))
            line.chop(1);
        QList<QByteArray> cells = line.split('\t');
        for (qsizetype i = cols; i < cells.size(); ++i)
            cells[cols - 1] += cells[i];
        cells.resize(cols);
        return cells.join('\t');
    }
    void setCell(int col, int row, const QByteArray &bytes)
    {
        QList<QByteArray> cells = lines[row].split('\t');
        cells[col] = bytes;
        lines[row] = cells.join('\t');
    }
    void setRowCount(int count) { lines.resize(count, QByteArray(cols - 1, '\t')); }
    void setColCount(int count)
    {
        cols = count;
        for (QByteArray &line : lines)
            line = fitted(line.split('\t').mid(0, count).join('\t'));
    }
};

// Cell text as an operator or an instrument gives it: Cyrillic, digits, blanks, now and then
// a NUL, sometimes nothing.
QByteArray someCell(QRandomGenerator &rng)
{
    static const QByteArray letters = Cp1251::encode(u"Проба 0123456789,.:ёЁ") + '\0';
    QByteArray out(rng.bounded(rng.bounded(4) == 0 ? 40 : 8), Qt::Uninitialized);
    for (char &c : out)
        c = letters[rng.bounded(letters.size())];
    return out;
}

QByteArray someLine(QRandomGenerator &rng, int fields)
{
    QList<QByteArray> cells;
    for (int f = 0; f < fields; ++f)
        cells << someCell(rng);
    return cells.join('\t');
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kShadowMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kShadowMemory = true;
#else
constexpr bool kShadowMemory = false;
#endif
#else
constexpr bool kShadowMemory = false;
#endif

// Caps the address space at what the process uses now plus some room, as a small machine
// does; restored on leaving.
class AddressSpaceCap
{
public:
    explicit AddressSpaceCap(qint64 room)
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        const qint64 pages = statm.open(QIODevice::ReadOnly)
                                 ? statm.readAll().split(' ').value(0).toLongLong()
                                 : 0;
        m_ok = pages > 0 && getrlimit(RLIMIT_AS, &m_old) == 0;
        rlimit cap = m_old;
        cap.rlim_cur = rlim_t(pages * sysconf(_SC_PAGESIZE) + room);
        m_ok = m_ok && cap.rlim_cur < m_old.rlim_max && setrlimit(RLIMIT_AS, &cap) == 0;
    }
    ~AddressSpaceCap()
    {
        if (m_ok)
            setrlimit(RLIMIT_AS, &m_old);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    bool m_ok = false;
};

QString nodeOf(const QString &path);

// Makes a node of the given kind at path: "fifo", "socket", or a link to a FIFO or to the
// null device. Returns a description of what is there, to compare after.
QString makeNode(const QString &kind, const QString &path, const QString &folder)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == "fifo") {
        if (mkfifo(name.constData(), 0644) != 0)
            return {};
    } else if (kind == "socket") {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (fd < 0 || size_t(name.size()) >= sizeof addr.sun_path)
            return {};
        memcpy(addr.sun_path, name.constData(), size_t(name.size()));
        const bool bound = bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (!bound)
            return {};
    } else if (kind == "link to a FIFO") {
        const QString fifo = folder + "/fifo";
        if (mkfifo(QFile::encodeName(fifo).constData(), 0644) != 0 || !QFile::link(fifo, path))
            return {};
    } else if (!QFile::link(QStringLiteral("/dev/null"), path)) {
        return {};
    }
    return nodeOf(path);
}

QString nodeOf(const QString &path)
{
    struct stat st
    {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("missing");
    return QStringLiteral("mode %1 -> %2").arg(st.st_mode, 0, 8).arg(QFile::symLinkTarget(path));
}

} // namespace

class TestResultsFile : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7755));
        m_file = m_dir->filePath(QStringLiteral("Новый.txt"));
    }
    void cleanup() { removeTestDir(m_dir); }

    void roundTripCyrillic()
    {
        const QStringList first = {QStringLiteral("Проба №1"),
                                   "01.02.2024",
                                   "10:11:12",
                                   "3",
                                   "21,50",
                                   "3,45",
                                   "8,10",
                                   "1027,30",
                                   "3,05",
                                   "0,00",
                                   "1,20",
                                   "4,50",
                                   "0,70",
                                   "12,30",
                                   "-0,52",
                                   "95,00"};
        const QStringList second
            = {QStringLiteral("Ёлка «ферма»"), "01.02.2024", "10:13:40", "3", "21,60", "3,50"};
        const TRowStore table = tableOf(17, {first, second, {QStringLiteral("Следующая")}});
        QString error;
        QVERIFY2(TResultsFile::Save(m_file, table, &error), qPrintable(error));

        QByteArray want = cp(first.join(u'\t')) + "\r\n";
        want += cp((second + QStringList(10, QString())).join(u'\t')) + "\r\n";
        want += cp(QStringLiteral("Следующая")) + QByteArray(15, '\t') + "\r\n";
        QCOMPARE(getFile(m_file), want);

        TRowStore back(17);
        QVERIFY2(TResultsFile::Load(m_file, 17, back, &error), qPrintable(error));
        QCOMPARE(back.RowCount(), 3);
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(back.Cell(0, r), QString::number(r + 1));
            for (int c = 1; c < 17; ++c)
                QCOMPARE(back.Cell(c, r), table.Cell(c, r));
        }
    }

    void emptyTable_data()
    {
        QTest::addColumn<int>("cols");
        QTest::newRow("first window, 17 columns") << 17;
        QTest::newRow("second window, 32 columns") << 32;
    }
    void emptyTable()
    {
        QFETCH(int, cols);
        TRowStore table(cols);
        table.AppendRow();
        QVERIFY(TResultsFile::Save(m_file, table, nullptr));
        QCOMPARE(getFile(m_file), QByteArray(cols - 2, '\t') + "\r\n");

        TRowStore back(cols);
        QVERIFY(TResultsFile::Load(m_file, cols, back, nullptr));
        QCOMPARE(rowsOf(back), QStringList{"1" + QString(cols - 1, u'|')});
    }

    // Five columns: number, label, date, time, value.
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("surplus fields run into the last column")
            << QByteArray("a\td\tt\tv\tw\tx\r\n") << QStringList{"1|a|d|t|vwx", "2||||"};
        QTest::newRow("short line") << QByteArray("a\td\r\n") << QStringList{"1|a|d||", "2||||"};
        QTest::newRow("last line without date is the open row")
            << QByteArray("a\td\tt\tv\r\nnext\t\t\t\r\n") << QStringList{"1|a|d|t|v", "2|next|||"};
        QTest::newRow("last line with date gets an open row")
            << QByteArray("a\td\tt\tv\r\nb\te\tu\tw\r\n")
            << QStringList{"1|a|d|t|v", "2|b|e|u|w", "3||||"};
        QTest::newRow("empty file") << QByteArray() << QStringList{"1||||"};
        QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{"1||||"};
        QTest::newRow("rows without date inside stay")
            << QByteArray("\r\nx\r\na\td\r\n")
            << QStringList{"1||||", "2|x|||", "3|a|d||", "4||||"};
        QTest::newRow("LF line ends")
            << QByteArray("a\td\nb\t\n") << QStringList{"1|a|d||", "2|b|||"};
        QTest::newRow("no line end") << QByteArray("a\td") << QStringList{"1|a|d||", "2||||"};
        QTest::newRow("CR and no LF at the end")
            << QByteArray("a\td\r") << QStringList{"1|a|d||", "2||||"};
        QTest::newRow("empty LF lines") << QByteArray("\n\n") << QStringList{"1||||", "2||||"};
        QTest::newRow("surplus fields and a stray CR on one line")
            << QByteArray("a\td\tt\tv\r\tw\r\n") << QStringList{"1|a|d|t|v w", "2||||"};
        QTest::newRow("stray CR becomes a blank")
            << QByteArray("a\rb\td\r\r\n") << QStringList{"1|a b|d ||", "2||||"};
        QTest::newRow("NUL bytes kept")
            << QByteArray("a\0b\td\r\n", 7)
            << QStringList{QString("1|a") + QChar(0) + "b|d||", "2||||"};
        // The file is read a mebibyte at a time. The first line's length puts the end of the
        // first piece on each byte of the lines after it: in a field, on a TAB, between a CR
        // and its LF, on a stray CR, just after a line end.
        for (int at = 0; at < 12; ++at) {
            const qsizetype first = (qsizetype(1) << 20) - at - 2;
            QTest::addRow("first piece ends at byte %d after the long line", at)
                << QByteArray(first, 'x') + "\r\nab\tc\r\nd\r\te\r\n"
                << QStringList{"1|" + QString(first, u'x') + "|||", "2|ab|c||", "3|d |e||", "4||||"};
        }
        QTest::newRow("Windows-1251 bytes")
            << cp(QStringLiteral("Проба\t01.02.2024\r\n"))
            << QStringList{QStringLiteral("1|Проба|01.02.2024||"), "2||||"};
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QVERIFY(putFile(m_file, bytes));
        TRowStore t(5);
        QString error;
        QVERIFY2(TResultsFile::Load(m_file, 5, t, &error), qPrintable(error));
        QCOMPARE(rowsOf(t), rows);
        QCOMPARE(t.ColCount(), 5);
    }

    // Rows read from a file, then changed every way the windows change them (cells, whole
    // lines from the journal, new rows, fewer rows, other column counts), stay what the same
    // changes make of plain lines and are saved byte for byte.
    void editsAfterLoading_data()
    {
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("series");
        QTest::newRow("first window, 17 columns") << 17 << 1;
        QTest::newRow("second window, 32 columns") << 32 << 2;
        QTest::newRow("3 columns") << 3 << 3;
        QTest::newRow("1 column") << 1 << 4;
    }
    void editsAfterLoading()
    {
        QFETCH(int, cols);
        QFETCH(int, series);
        QRandomGenerator rng{quint32(series)};
        PlainRows plain{cols, {}};
        QByteArray file;
        for (int r = 0; r < 2000; ++r) {
            const QByteArray line = someLine(rng, rng.bounded(cols + 3));
            file += line + (r % 5 ? "\r\n" : "\n");
            plain.lines << plain.fitted(QByteArray::number(r + 1) + '\t' + line);
        }
        file += QByteArray(cols - 1, '\t') + "\r\n"; // the open row
        plain.lines << plain.fitted("2001" + QByteArray(cols - 1, '\t'));
        QVERIFY(putFile(m_file, file));
        TRowStore t(cols);
        QVERIFY(TResultsFile::Load(m_file, cols, t, nullptr));
        QCOMPARE(linesOf(t), plain.lines);

        for (int i = 0; i < 6000; ++i) {
            const int row = rng.bounded(t.RowCount());
            const int op = rng.bounded(100);
            if (i % 1500 == 1499) {
                const int count = qMax(1, t.ColCount() + (i % 3000 == 1499 ? 2 : -1));
                t.SetColCount(count);
                plain.setColCount(count);
            } else if (op < 55) {
                const int col = rng.bounded(t.ColCount());
                const QByteArray cell = someCell(rng);
                t.SetCellBytes(col, row, cell);
                plain.setCell(col, row, cell);
                QCOMPARE(t.CellBytes(col, row).toByteArray(), cell);
            } else if (op < 75) {
                const QByteArray line = someLine(rng, rng.bounded(t.ColCount() + 3));
                t.SetLine(row, line);
                plain.lines[row] = plain.fitted(line);
            } else if (op < 85) {
                t.AppendRow();
                plain.setRowCount(plain.lines.size() + 1);
            } else if (op < 99) {
                const int count = qMax(1, t.RowCount() - rng.bounded(4));
                t.SetRowCount(count);
                plain.setRowCount(count);
            } else {
                t.SetRowCount(1); // a new table keeps its first row
                plain.setRowCount(1);
            }
            if (i % 250 == 0)
                QCOMPARE(linesOf(t), plain.lines);
        }
        QCOMPARE(linesOf(t), plain.lines);
        QVERIFY(TResultsFile::Save(m_file, t, nullptr));
        QByteArray saved;
        for (const QByteArray &line : plain.lines)
            saved += (line.contains('\t') ? line.mid(line.indexOf('\t') + 1) : "") + "\r\n";
        QCOMPARE(getFile(m_file), saved);
    }

    // Replaying the journal changes a copy of the window's rows; whichever side changes
    // first, in whatever way, the other keeps its rows.
    void copiesKeepTheirRows_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("onCopy");
        const char *const changes[] = {"shorter cell of a changed row",
                                       "newest row's cell",
                                       "cell of a row from the file",
                                       "whole line",
                                       "new row",
                                       "fewer rows",
                                       "more columns",
                                       "fewer columns"};
        for (int c = 0; c < 8; ++c) {
            QTest::addRow("%s, original", changes[c]) << c << false;
            QTest::addRow("%s, copy", changes[c]) << c << true;
        }
    }
    void copiesKeepTheirRows()
    {
        QFETCH(int, change);
        QFETCH(bool, onCopy);
        QVERIFY(putFile(m_file, "a\td\tt\tv\r\nb\te\tu\tw\r\nc\tf\ts\tx\r\n\t\t\t\r\n"));
        TRowStore original(5);
        QVERIFY(TResultsFile::Load(m_file, 5, original, nullptr));
        original.SetCellBytes(1, 0, "label of the first row"); // changed rows, the newest last
        original.SetCellBytes(1, 3, "open row label");
        TRowStore copy = original;
        TRowStore &changed = onCopy ? copy : original;
        const TRowStore &kept = onCopy ? original : copy;
        const QList<QByteArray> before = linesOf(kept);
        switch (change) {
        case 0:
            changed.SetCellBytes(1, 0, "x");
            break;
        case 1:
            changed.SetCellBytes(1, 3, "y");
            break;
        case 2:
            changed.SetCellBytes(4, 1, "z");
            break;
        case 3:
            changed.SetLine(2, "3\tline\tfrom\tthe\tjournal");
            break;
        case 4:
            changed.AppendRow();
            break;
        case 5:
            changed.SetRowCount(1);
            break;
        case 6:
            changed.SetColCount(7);
            break;
        case 7:
            changed.SetColCount(3);
            break;
        }
        QCOMPARE(linesOf(kept), before);
        QCOMPARE(kept.ColCount(), 5);
    }

    // Loading took memory by the size limit, not by the file: 2 GB for a one-line file, which
    // a machine with less free memory refused with std::bad_alloc.
    void smallFileNeedsLittleMemory()
    {
        if (kShadowMemory)
            QSKIP("A sanitizer's shadow memory does not fit under an address space cap");
        QVERIFY(putFile(m_file, cp(QStringLiteral("Проба 1\t01.02.2024\r\n"))));
        TRowStore t(5);
        bool loaded = false;
        {
            AddressSpaceCap cap(qint64(256) << 20);
            QVERIFY(cap.ok());
            try {
                loaded = TResultsFile::Load(m_file, 5, t, nullptr);
            } catch (const std::bad_alloc &) {
            }
        }
        QVERIFY(loaded);
        QCOMPARE(rowsOf(t), (QStringList{"1|Проба 1|01.02.2024||", "2||||"}));
    }

    // The file's text is read into the rows a piece at a time, never held whole beside them:
    // opening took 2.6 times the file at its peak and now needs no more than twice its size
    // of address space, though a file of ten years is some hundred megabytes.
    void openingHoldsTheTextOnce()
    {
        if (kShadowMemory)
            QSKIP("A sanitizer's shadow memory does not fit under an address space cap");
        qint64 fileBytes = 0;
        {
            const QByteArray line = cp(QStringLiteral("Проба 12\t01.02.2024\t10:11:12\t3"))
                                    + QByteArray("\t21,50\t3,45\t8,10\t1027,30").repeated(3)
                                    + "\r\n";
            const QByteArray file = line.repeated(200000);
            QVERIFY(putFile(m_file, file));
            fileBytes = file.size();
        }
        TRowStore t(17);
        bool loaded = false;
        {
            AddressSpaceCap cap(2 * fileBytes);
            QVERIFY(cap.ok());
            try {
                loaded = TResultsFile::Load(m_file, 17, t, nullptr);
            } catch (const std::bad_alloc &) {
            }
        }
        QVERIFY(loaded);
        QCOMPARE(t.RowCount(), 200001);
        QCOMPARE(t.Cell(4, 199999), QStringLiteral("3"));
        QCOMPARE(t.Cell(0, 200000), QStringLiteral("200001"));
    }

    void missingFile()
    {
        TRowStore t = tableOf(17, {{"old", "01.01.2024"}});
        QVERIFY(TResultsFile::Load(m_dir->filePath("none.txt"), 17, t, nullptr));
        QCOMPARE(rowsOf(t), QStringList{"1" + QString(16, u'|')});
    }

    void loadFailure_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("unreadable") << "unreadable";
    }
    void loadFailure()
    {
        QFETCH(QString, kind);
        if (kind == "folder") {
            QVERIFY(QDir().mkdir(m_file));
        } else {
            QVERIFY(putFile(m_file, "a\td\r\n"));
            QVERIFY(QFile::setPermissions(m_file, QFile::Permissions(0x2000)));
        }
        TRowStore t = tableOf(5, {{"kept", "01.01.2024"}});
        QString error;
        {
            AsNobody nobody;
            QVERIFY(!TResultsFile::Load(m_file, 5, t, &error));
        }
        QVERIFY(error.startsWith(Str::OpenFailed));
        QVERIFY(error.contains(m_file));
        QCOMPARE(rowsOf(t), QStringList{"|kept|01.01.2024||"});
    }

    // A save that cannot finish leaves the old file whole.
    void failedSave_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("read-only folder") << "read-only folder";
        QTest::newRow("read-only file") << "read-only file";
        QTest::newRow("target is a folder") << "target is a folder";
        QTest::newRow("folder missing") << "folder missing";
    }
    void failedSave()
    {
        QFETCH(QString, kind);
        const QString folder = m_dir->filePath("data");
        QVERIFY(QDir().mkdir(folder));
        QString path = folder + "/results.txt";
        const QByteArray old("old\t01.01.2024\r\n\t\t\t\r\n");
        QVERIFY(putFile(path, old));
        if (kind == "read-only folder")
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        else if (kind == "read-only file")
            QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x4444)));
        else if (kind == "target is a folder")
            path = folder;
        else
            path = folder + "/missing/results.txt";

        const TRowStore table = tableOf(5, {{"new", "02.01.2024"}, {}});
        QString error;
        {
            AsNobody nobody;
            QVERIFY(!TResultsFile::Save(path, table, &error));
        }
        QVERIFY(error.startsWith(Str::SaveFailed));
        QVERIFY(error.contains(path));
        QCOMPARE(getFile(folder + "/results.txt"), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs
                                        | QDir::NoDotAndDotDot),
                 QStringList{"results.txt"});
    }

    // Not a file: refused on opening (at once: an open() of a FIFO without a writer would
    // never return) and never replaced by a save, with the reason in the message.
    void nonRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("openReason"); // a socket cannot even be opened: the system's
        QTest::newRow("FIFO") << "fifo"
                              << "канал"
                              << "канал";
        QTest::newRow("socket") << "socket"
                                << "сокет"
                                << "";
        QTest::newRow("link to a FIFO") << "link to a FIFO"
                                        << "канал"
                                        << "канал";
        QTest::newRow("link to a device") << "link to a device"
                                          << "устройство"
                                          << "устройство";
    }
    void nonRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QFETCH(QString, openReason);
        const QString path = m_dir->filePath(QStringLiteral("r.txt"));
        const QString node = makeNode(kind, path, m_dir->path());
        QVERIFY(!node.isEmpty());
        TRowStore t = tableOf(5, {{"kept", "01.01.2024"}});
        QString error;
        QVERIFY(!TResultsFile::Load(path, 5, t, &error));
        QVERIFY2(error.startsWith(Str::OpenFailed) && error.contains(openReason), qPrintable(error));
        QVERIFY(error.section(u'\n', 1).size() > 3);
        QCOMPARE(rowsOf(t), QStringList{"|kept|01.01.2024||"});

        error.clear();
        QVERIFY(!TResultsFile::Save(path, t, &error));
        QVERIFY2(error.startsWith(Str::SaveFailed) && error.contains(reason), qPrintable(error));
        QCOMPARE(nodeOf(path), node);
    }

    // A save killed between writing its copy and renaming it left "name.XXXXXX" beside the
    // file; the next save of that file removes it, and nothing else.
    void staleCopiesGoWithTheNextSave()
    {
        const QStringList stale = {"Новый.txt.Ab12Cd", "Новый.txt.x9Z0qQ"};
        const QStringList kept = {"Новый.txt.abcdef", "Другой.txt.Ab12Cd", "Новый.txt.Ab12Cd7",
                                  "Новый.txt"};
        for (const QString &name : stale + kept)
            QVERIFY(putFile(m_dir->filePath(name), "x"));
        QVERIFY(TResultsFile::Save(m_file, tableOf(5, {{"a", "01.01.2024"}}), nullptr));
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
        QStringList expected = kept;
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(getFile(m_file), QByteArray("a\t01.01.2024\t\t\r\n"));
    }

    // A file whose table would not fit the memory the machine has is refused with how much
    // it needs; short lines cost more than their bytes, and that counts.
    void memoryBudget_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("available");
        QTest::addColumn<bool>("opens");
        const QByteArray shortLines = QByteArray(20000, '\n');
        QByteArray longLines;
        for (int i = 0; i < 2000; ++i)
            longLines += QByteArray(1000, 'x') + "\t01.01.2024\r\n";
        QTest::newRow("short lines, little memory") << shortLines << qint64(1 << 20) << false;
        QTest::newRow("short lines, enough memory") << shortLines << qint64(8 << 20) << true;
        QTest::newRow("long lines, little memory") << longLines << qint64(4 << 20) << false;
        QTest::newRow("long lines, enough memory") << longLines << qint64(16 << 20) << true;
        QTest::newRow("unknown memory") << shortLines << qint64(-1) << true;
    }
    void memoryBudget()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, available);
        QFETCH(bool, opens);
        QVERIFY(putFile(m_file, bytes));
        TableBudget::setAvailable(available);
        TRowStore t = tableOf(5, {{"kept", "01.01.2024"}});
        QString error;
        const bool loaded = TResultsFile::Load(m_file, 5, t, &error);
        TableBudget::setAvailable(-1);
        QCOMPARE(loaded, opens);
        if (!opens) {
            QVERIFY2(error.startsWith(Str::OpenFailed) && error.contains(Str::FileTooLarge)
                         && error.contains(QStringLiteral("свободно %1 МБ").arg(available >> 20)),
                     qPrintable(error));
            QCOMPARE(rowsOf(t), QStringList{"|kept|01.01.2024||"});
        }
    }

    // The estimate the limit rests on never counts less than loading really takes.
    void costEstimateCoversTheTable_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("cols");
        const QByteArray result = "Проба 17\t05.03.2024\t10:02:01\t3\t20,50\t3,25\t8,75\t27,50"
                                  "\t3,13\t0,00\t1,50\t4,75\t0,50\t12,25\t-0,50\t90,00\r\n";
        QTest::newRow("empty lines, 17 columns") << QByteArray("\r\n") << 17;
        QTest::newRow("empty lines, 32 columns") << QByteArray("\n") << 32;
        QTest::newRow("short lines, 32 columns") << QByteArray("a\t01.01.2024\r\n") << 32;
        QTest::newRow("results, 17 columns") << result << 17;
        QTest::newRow("results, 32 columns") << result << 32;
        QTest::newRow("long lines") << (QByteArray(3000, 'x') + "\r\n") << 5;
    }
    void costEstimateCoversTheTable()
    {
        if (kShadowMemory)
            QSKIP("A sanitizer's allocator is not the one measured");
        QFETCH(QByteArray, line);
        QFETCH(int, cols);
        const int lines = 200000 * 2 / int(line.size() + 2);
        QVERIFY(putFile(m_file, line.repeated(lines)));
        auto *t = new TRowStore(cols);
        // What the rows use, and what the process took from the system for them: the room
        // the allocator cannot use again counts too.
        const size_t used = mallinfo2().uordblks;
        const qint64 resident = residentBytes();
        QVERIFY(TResultsFile::Load(m_file, cols, *t, nullptr));
        const qint64 table = std::max(qint64(mallinfo2().uordblks - used),
                                      residentBytes() - resident);
        const qint64 bytes = QFileInfo(m_file).size();
        // The peak holds the file's bytes besides the table.
        const qint64 estimate = TableBudget::openingCost(bytes, lines, cols) - bytes;
        delete t;
        QVERIFY2(table <= estimate,
                 qPrintable(QStringLiteral("table %1 bytes, estimate %2").arg(table).arg(estimate)));
    }

    void memAvailable_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("as the kernel writes it")
            << QByteArray("MemTotal:       24684000 kB\nMemFree:        16700000 kB\n"
                          "MemAvailable:   23386188 kB\nBuffers:          100 kB\n")
            << qint64(23386188) * 1024;
        QTest::newRow("an old kernel without it")
            << QByteArray("MemTotal: 1000 kB\n") << qint64(-1);
        QTest::newRow("damaged") << QByteArray("MemAvailable: lots\n") << qint64(-1);
    }
    void memAvailable()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, bytes);
        QCOMPARE(TableBudget::parseMemAvailable(meminfo), bytes);
    }

    void saveReplacesLongerFile()
    {
        QVERIFY(putFile(m_file, QByteArray(100000, 'x')));
        QVERIFY(QFile::setPermissions(m_file, QFile::Permissions(0x6640)));
        TRowStore table(3);
        table.AppendRow();
        table.SetCell(1, 0, u"a");
        QVERIFY(TResultsFile::Save(m_file, table, nullptr));
        QCOMPARE(getFile(m_file), QByteArray("a\t\r\n"));
        // The old file's permissions stay; the group still reads it, others still do not.
        QCOMPARE(QFile::permissions(m_file) & 0x7777, QFile::Permissions(0x6640));
    }

    void newFilePermissions()
    {
        const mode_t mask = umask(022);
        TRowStore table(3);
        table.AppendRow();
        const bool saved = TResultsFile::Save(m_file, table, nullptr);
        umask(mask);
        QVERIFY(saved);
        QCOMPARE(QFile::permissions(m_file) & 0x7777, QFile::Permissions(0x6644));
    }

    void longLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");
        const QByteArray mb(1 << 20, 'z');
        // No date in it, so it stays as the open row.
        QTest::newRow("1 MB label") << mb + "\r\n" << QStringList{"1|" + QString(mb) + "|||"};
        QTest::newRow("1 MB line, no line end")
            << "a\td\t" + mb << QStringList{"1|a|d|" + QString(mb) + "|", "2||||"};
        QByteArray tabs(1 << 20, '\t');
        tabs[tabs.size() / 2] = 'm';
        QTest::newRow("1 MB of TABs") << "a\td" + tabs + "e\r\n"
                                      << QStringList{"1|a|d||me", "2||||"};
    }
    void longLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        QVERIFY(putFile(m_file, bytes));
        TRowStore t(5);
        QVERIFY(TResultsFile::Load(m_file, 5, t, nullptr));
        QCOMPARE(rowsOf(t), rows);
    }
};

QTEST_GUILESS_MAIN(TestResultsFile)
#include "tst_resultsfile.moc"
