// Settings files of any content: the program's keys read without harm and consistently, a
// new key written reads back, the keys read before keep their values, and every other line
// of the file survives the write unchanged and in order.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "settings/TIniPlus.h"
#include "text/Cp1251.h"

namespace {

const QString &iniPath()
{
    static const QString p = FuzzScratchPath(QStringLiteral("settings.ini"));
    return p;
}

void removeFile()
{
    QFile::remove(iniPath());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

const QRegularExpression &leadingMarks()
{
    static const QRegularExpression re(QStringLiteral("^\\x{FEFF}+"));
    return re;
}

// The file's lines as text: UTF-8 (after its byte-order marks) when the bytes are valid
// UTF-8, else Windows-1251; split at LF.
QStringList linesOf(const QByteArray &bytes)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArrayView body = QByteArrayView(bytes).sliced(bytes.startsWith(bom) ? 3 : 0);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (utf8.hasError())
        text = Cp1251::decode(bytes);
    else
        text.remove(leadingMarks()); // a mark repeated by an editor is still the mark
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    // In a file of LF line ends, a line that itself ends in CR is written back as one that
    // ends in CR LF, and the CR then reads as part of the line end: harmless, as keys and
    // values are trimmed. So the lines compare without their trailing CRs.
    for (QString &line : lines) {
        while (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

struct TKey
{
    const char *section;
    const char *key;
};

const TKey kKeys[] = {{"Config", "COM"}, {"Config", "FileName"}, {"Config", "DeviceNumber"},
                      {"Columns", "0"},  {"Columns", "31"},      {"View", "5"},
                      {"view", "7"},     {"CONFIG", "com"}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool once = (std::atexit(removeFile), true);
    (void)once;
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    FUZZ_CHECK(FuzzWriteFile(iniPath(), content.constData(), content.size()));

    TIniPlus ini(iniPath());
    QStringList before;
    const QString none = QStringLiteral("\x01none");
    for (const TKey &k : kKeys) {
        const QString s = QLatin1String(k.section);
        const QString key = QLatin1String(k.key);
        const QString text = ini.ReadString(s, key, none);
        before << text;
        FUZZ_CHECK((text == none) == !ini.ValueExists(s, key));
        FUZZ_CHECK(!text.startsWith(u' ') && !text.endsWith(u' '));
        const int a = ini.ReadInteger(s, key, 1);
        const int b = ini.ReadInteger(s, key, 2);
        // Only a value that is no integer gives each call its own default.
        const bool integer = a == b;
        FUZZ_CHECK(integer || (a == 1 && b == 2));
        FUZZ_CHECK(ini.ReadBool(s, key, true) == (integer ? a != 0 : true));
        FUZZ_CHECK(ini.ReadBool(s, key, false) == (integer ? a != 0 : false));
    }

    // A key the file does not hold in any spelling.
    const QString section = QStringLiteral("Config");
    const QString text = linesOf(content).join(u'\n');
    QString key;
    for (int n = 0;; ++n) {
        key = QStringLiteral("Qz%1Qz").arg(n);
        if (!ini.ValueExists(section, key) && !text.contains(key, Qt::CaseInsensitive))
            break;
    }
    const bool hadSection = ini.SectionExists(section);
    const QStringList linesBefore = linesOf(readAll(iniPath()));
    const QString value = QStringLiteral("Жир, % №7");
    FUZZ_CHECK(ini.WriteString(section, key, value));

    const TIniPlus reread(iniPath());
    FUZZ_CHECK(reread.ReadString(section, key, none) == value);
    for (size_t i = 0; i < sizeof kKeys / sizeof kKeys[0]; ++i) {
        const QString s = QLatin1String(kKeys[i].section);
        const QString k = QLatin1String(kKeys[i].key);
        FUZZ_CHECK(reread.ReadString(s, k, none) == before[static_cast<qsizetype>(i)]);
    }

    // Exactly the new line (and its section header, when there was none) is added.
    QStringList linesAfter = linesOf(readAll(iniPath()));
    const QString newLine = key + QLatin1Char('=') + value;
    FUZZ_CHECK(linesAfter.count(newLine) == 1);
    if (!hadSection) {
        FUZZ_CHECK(linesAfter.size() == linesBefore.size() + 2);
        FUZZ_CHECK(linesAfter.last() == newLine);
        FUZZ_CHECK(linesAfter[linesAfter.size() - 2] == QStringLiteral("[Config]"));
        linesAfter.removeLast();
        linesAfter.removeLast();
    } else {
        linesAfter.removeOne(newLine);
    }
    FUZZ_CHECK(linesAfter == linesBefore);
    return 0;
}
