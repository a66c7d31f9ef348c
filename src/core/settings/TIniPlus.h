#pragma once

// A sections-and-keys settings file ("[Section]" lines, then "key=value" lines), read and
// written the way Windows profile files behave: names match without regard to case, and
// every line the program does not own (comments, blank lines, other keys) survives a write
// in its place. Each write rewrites the whole file through a temporary file, so the old file
// stays whole when the disk or the folder refuses the new one.

#include <QString>
#include <QStringList>

class TIniPlus
{
public:
    explicit TIniPlus(const QString &path);

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal with an optional sign, or "0x" hex; anything else reads as def.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // False only for a value that reads as the integer 0; a value that is no integer reads
    // as def.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // Each returns false when the file could not be written; the old file is then untouched.
    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool WriteInteger(const QString &section, const QString &key, int value);
    bool WriteBool(const QString &section, const QString &key, bool value);

    // Writes between beginUpdate and commit rewrite the file once, at commit, and sync its
    // folder once: each returns true meanwhile and commit tells whether the file took them
    // all. The file is read again when the update begins, not at each write.
    void beginUpdate();
    bool commit();

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    // The key names of a section in file order, as the file spells them.
    QStringList ReadSection(const QString &section) const;

    QString FileName() const { return m_path; }

    // A file larger than this was not written by the program: it reads as empty and is
    // never rewritten.
    static constexpr qint64 MaxFileSize = 1 << 20;
    // The file was there but larger than MaxFileSize: what it holds was not read.
    bool tooLarge() const { return m_tooLarge; }

    enum class Encoding { Utf8, Utf8Bom, Cp1251 };
    Encoding FileEncoding() const { return m_encoding; }

private:
    void load();
    bool save();
    // A write changed the lines: saved now, or at commit within an update.
    bool changed();
    // Index of the section's header line, or -1.
    int findSection(const QString &section) const;
    // Index of the key's line inside the section starting at header, or -1.
    int findKey(int header, const QString &key) const;
    // End (one past the last line) of the section starting at header.
    int sectionEnd(int header) const;

    QString m_path;
    QStringList m_lines;
    Encoding m_encoding = Encoding::Utf8;
    bool m_crlf = true;
    bool m_refused = false;
    bool m_tooLarge = false;
    bool m_updating = false;
    bool m_unsaved = false;
};
