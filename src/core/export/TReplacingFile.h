#pragma once

// A file written under a hidden temporary name beside its target and renamed over the target
// once whole, so that the chosen name never holds half a file. Dropped without commit()
// (or when commit() fails), the temporary file is removed.

#include <QFile>
#include <QString>

class TReplacingFile
{
public:
    explicit TReplacingFile(const QString &target);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile &) = delete;
    TReplacingFile &operator=(const TReplacingFile &) = delete;

    // Creates the temporary file, open for writing. On failure *error says why in the
    // operator's words: no folder, no right to write there, a folder under the name.
    bool open(QString *error);
    QFile &file() { return m_file; }
    QString tempPath() const { return m_tempPath; }
    // Puts the written bytes on the disk and renames them over the target. The file may
    // have been closed and written by someone else meanwhile.
    bool commit(QString *error);

    // The message for the operator: headline, file name, reason.
    static QString message(const QString &headline, const QString &path, const QString &why);

private:
    void discard();
    // In the platform file. Whether an existing file may be written (a rename would replace
    // a write-protected file as well); the temporary file made anew, a C descriptor, or -1
    // with errno set (EEXIST when the name is taken).
    static bool writable(const QString &path);
    static int createNew(const QString &path);

    QString m_target;
    QString m_tempPath;
    QFile m_file;
    bool m_pending = false;
};
