#include "export/TReplacingFile.h"

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include "export/ExportStrings.h"
#include "text/SafeFile.h"
#include "text/Strings.h"

TReplacingFile::TReplacingFile(const QString &target)
    : m_target(QFileInfo(target).isSymLink() ? QFileInfo(target).symLinkTarget() : target)
{
    // A link stays a link: the file it points to is the one replaced.
}

TReplacingFile::~TReplacingFile()
{
    discard();
}

QString TReplacingFile::message(const QString &headline, const QString &path, const QString &why)
{
    QString text = headline + QLatin1Char('\n') + QDir::toNativeSeparators(path);
    if (!why.isEmpty())
        text += QLatin1Char('\n') + why;
    return text;
}

bool TReplacingFile::open(QString *error)
{
    const QFileInfo target(m_target);
    const QFileInfo folder(target.absolutePath());
    QString why;
    if (!folder.isDir())
        why = Str::FolderMissing;
    else if (target.isDir())
        why = Str::FileIsFolder;
    else if (target.exists() && !writable(m_target))
        why = Str::FileNotWritable;
    for (int attempt = 0; why.isEmpty() && attempt < 16; ++attempt) {
        const QString path = QDir(folder.absoluteFilePath())
                                 .filePath(QStringLiteral(".%1.%2.part")
                                               .arg(target.fileName())
                                               .arg(QRandomGenerator::global()->generate(), 8, 16,
                                                    QLatin1Char('0')));
        // The new file gets the usual permissions; replacing a file keeps its own.
        const int fd = createNew(path);
        if (fd >= 0) {
            m_tempPath = path;
            m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
            m_pending = true;
            if (target.exists())
                m_file.setPermissions(QFile(m_target).permissions());
            return true;
        }
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            why = Str::FolderNotWritable + QLatin1Char(' ')
                  + QDir::toNativeSeparators(folder.absoluteFilePath());
        else if (errno != EEXIST)
            why = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (why.isEmpty())
        why = QString::fromLocal8Bit(std::strerror(EEXIST));
    if (error)
        *error = message(Str::ExportFailed, m_target, why);
    return false;
}

bool TReplacingFile::commit(QString *error)
{
    QString why;
    if (m_file.isOpen()) {
        if (!m_file.flush())
            why = m_file.errorString();
        m_file.close();
        if (why.isEmpty() && m_file.error() != QFileDevice::NoError)
            why = m_file.errorString();
    }
    if (why.isEmpty())
        SafeFile::replaceDurably(m_tempPath, m_target, &why);
    if (!why.isEmpty()) {
        discard();
        if (error)
            *error = message(Str::ExportFailed, m_target, why);
        return false;
    }
    m_pending = false;
    return true;
}

void TReplacingFile::discard()
{
    if (!m_pending)
        return;
    m_file.close();
    QFile::remove(m_tempPath);
    m_pending = false;
}
