#include "settings/TIniPlus.h"

#include <climits>
#include <utility>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include "text/Cp1251.h"
#include "text/ReadAtMost.h"
#include "text/SafeFile.h"

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool sectionName(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return false;
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return false;
    *name = t.mid(1, close - 1).trimmed();
    return true;
}

// A key line is any line that is no comment and no section header and holds '='.
bool keyLine(const QString &line, QString *key, QString *value = nullptr)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#') || t.startsWith(u'['))
        return false;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A name or value with a line end in it would split its line in two.
QString oneLine(QString s)
{
    s.replace(u'\r', u' ');
    s.replace(u'\n', u' ');
    return s;
}

bool parseInt(const QString &text, int *out)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        int d = -1;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        if (d < 0)
            return false;
        v = v * base + d;
        if (v > qint64(INT_MAX) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    *out = static_cast<int>(v);
    return true;
}

} // namespace

TIniPlus::TIniPlus(const QString &path)
    : m_path(path)
{
    load();
}

void TIniPlus::load()
{
    m_lines.clear();
    m_encoding = Encoding::Utf8;
    m_crlf = true;
    m_refused = false;
    m_tooLarge = false;

    QFile file;
    if (!QFileInfo::exists(m_path))
        return;
    // A file that is there but cannot be read must not be replaced by our few keys; a FIFO or
    // a device is not even opened for long (its open or read would block start-up).
    QString reason;
    if (!SafeFile::openForReading(file, m_path, &reason) || file.size() > MaxFileSize) {
        m_refused = true;
        m_tooLarge = file.isOpen();
        return;
    }
    const QByteArray bytes = ReadAtMost(file, MaxFileSize);
    if (bytes.size() > MaxFileSize || file.error() != QFileDevice::NoError) {
        m_refused = true;
        m_tooLarge = bytes.size() > MaxFileSize;
        return;
    }

    // Plain ASCII counts as UTF-8, the encoding of new files.
    const bool bom = bytes.startsWith(kBom);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(QByteArrayView(bytes).sliced(bom ? kBom.size() : 0));
    if (!utf8.hasError()) {
        m_encoding = bom ? Encoding::Utf8Bom : Encoding::Utf8;
        // Some editors put the mark in more than once: all of them are the one mark a write
        // puts back, so a write never changes what the first line reads as.
        qsizetype marks = 0;
        while (marks < text.size() && text[marks] == QChar(0xFEFF))
            ++marks;
        text.remove(0, marks);
    } else {
        m_encoding = Encoding::Cp1251;
        text = Cp1251::decode(bytes);
    }

    if (text.contains(u'\n'))
        m_crlf = text.contains(QLatin1String("\r\n"));
    m_lines = text.split(u'\n');
    if (m_lines.last().isEmpty())
        m_lines.removeLast(); // the line end of the last line starts no line of its own
    for (QString &line : m_lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
}

bool TIniPlus::save()
{
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString &line : m_lines)
        text += line + eol;

    QByteArray bytes;
    bool encoded = false;
    if (m_encoding == Encoding::Cp1251)
        bytes = Cp1251::encode(text, &encoded);
    if (!encoded) {
        // A character Windows-1251 has no byte for moves the file to UTF-8 rather than
        // losing it.
        if (m_encoding == Encoding::Cp1251)
            m_encoding = Encoding::Utf8;
        bytes = text.toUtf8();
        if (m_encoding == Encoding::Utf8Bom)
            bytes.prepend(kBom);
    }

    QString reason;
    if (!SafeFile::mayReplace(m_path, &reason))
        return false;
    SafeFile::removeStaleCopies(m_path);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    SafeFile::syncFolderOf(m_path);
    return true;
}

int TIniPlus::findSection(const QString &section) const
{
    QString name;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (sectionName(m_lines[i], &name) && sameName(name, section))
            return i;
    }
    return -1;
}

int TIniPlus::sectionEnd(int header) const
{
    QString name;
    int i = header + 1;
    while (i < m_lines.size() && !sectionName(m_lines[i], &name))
        ++i;
    return i;
}

int TIniPlus::findKey(int header, const QString &key) const
{
    const int end = sectionEnd(header);
    QString name;
    for (int i = header + 1; i < end; ++i) {
        if (keyLine(m_lines[i], &name) && sameName(name, key))
            return i;
    }
    return -1;
}

QString TIniPlus::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const int header = findSection(section);
    const int line = header < 0 ? -1 : findKey(header, key);
    if (line < 0)
        return def;
    QString name;
    QString value;
    keyLine(m_lines[line], &name, &value);
    return value;
}

int TIniPlus::ReadInteger(const QString &section, const QString &key, int def) const
{
    int v = 0;
    return parseInt(ReadString(section, key, QString()), &v) ? v : def;
}

bool TIniPlus::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniPlus::WriteString(const QString &section, const QString &key, const QString &value)
{
    // Read the file again so that a change made since we opened it is not thrown away; within
    // an update it was read when the update began.
    if (!m_updating)
        load();
    if (m_refused)
        return false;
    const QString s = oneLine(section).trimmed();
    const QString k = oneLine(key).trimmed();
    const QString v = oneLine(value).trimmed();

    const int header = findSection(s);
    if (header < 0) {
        m_lines << QLatin1Char('[') + s + QLatin1Char(']') << k + QLatin1Char('=') + v;
        return changed();
    }
    const int line = findKey(header, k);
    if (line >= 0) {
        QString name;
        keyLine(m_lines[line], &name);
        m_lines[line] = name + QLatin1Char('=') + v; // the key keeps its spelling
        return changed();
    }
    // A new key goes after the section's last line that holds anything, so the blank line
    // before the next section stays where it is.
    int at = sectionEnd(header);
    while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, k + QLatin1Char('=') + v);
    return changed();
}

bool TIniPlus::changed()
{
    if (!m_updating)
        return save();
    m_unsaved = true;
    return true;
}

void TIniPlus::beginUpdate()
{
    if (m_updating)
        return;
    load();
    m_updating = true;
    m_unsaved = false;
}

bool TIniPlus::commit()
{
    if (!m_updating)
        return true;
    m_updating = false;
    if (m_refused)
        return false;
    return !std::exchange(m_unsaved, false) || save();
}

bool TIniPlus::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TIniPlus::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniPlus::SectionExists(const QString &section) const
{
    return findSection(section) >= 0;
}

bool TIniPlus::ValueExists(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QStringList TIniPlus::ReadSection(const QString &section) const
{
    QStringList keys;
    const int header = findSection(section);
    if (header < 0)
        return keys;
    const int end = sectionEnd(header);
    QString name;
    for (int i = header + 1; i < end; ++i) {
        if (keyLine(m_lines[i], &name))
            keys << name;
    }
    return keys;
}
