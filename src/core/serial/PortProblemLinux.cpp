#include "serial/PortProblem.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QStringList>

PortProblem::Reason PortProblem::classify(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Reason::NotFound;
    case EACCES:
    case EPERM:
        return Reason::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return Reason::Busy;
    case ENOTTY:
    case EINVAL:
    case EISDIR:
        return Reason::NotSerial;
    default:
        return Reason::Other;
    }
}

QString PortProblem::holders(const QString &device)
{
    struct stat want
    {};
    if (stat(QFile::encodeName(device).constData(), &want) != 0)
        return {};
    QStringList found;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const auto entries = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &fd : entries) {
            struct stat st
            {};
            if (stat(QFile::encodeName(fds.filePath(fd)).constData(), &st) != 0)
                continue;
            const bool sameDevice = S_ISCHR(want.st_mode) && S_ISCHR(st.st_mode)
                                    && st.st_rdev == want.st_rdev;
            if (!sameDevice && (st.st_dev != want.st_dev || st.st_ino != want.st_ino))
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            const QString name = comm.open(QIODevice::ReadOnly)
                                     ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                     : QStringLiteral("?");
            found << QStringLiteral("%1 (PID %2)").arg(name, pid);
            break;
        }
    }
    return found.join(QStringLiteral(", "));
}

QString PortProblem::describe(const QString &device, int error)
{
    switch (classify(error)) {
    case Reason::NotFound:
        return QStringLiteral("Порт %1 не найден: прибор или адаптер не подключён. Выберите "
                              "порт в меню кнопки опроса.")
            .arg(device);
    case Reason::PermissionDenied:
        return QStringLiteral("Нет доступа к порту %1. Пользователь должен входить в группу "
                              "dialout: выполните «sudo usermod -aG dialout $USER», затем "
                              "выйдите из системы и войдите снова.")
            .arg(device);
    case Reason::Busy: {
        const QString who = holders(device);
        return who.isEmpty()
                   ? QStringLiteral("Порт %1 занят другой программой. Закройте её и начните "
                                    "опрос снова.")
                         .arg(device)
                   : QStringLiteral("Порт %1 занят другой программой: %2. Закройте её и "
                                    "начните опрос снова.")
                         .arg(device, who);
    }
    case Reason::NotSerial:
        return QStringLiteral("%1 — не последовательный порт. Выберите порт в меню кнопки "
                              "опроса.")
            .arg(device);
    case Reason::Other:
        break;
    }
    return QStringLiteral("Порт %1: %2.").arg(device, QString::fromLocal8Bit(strerror(error)));
}
