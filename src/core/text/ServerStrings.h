#pragma once

// The texts of the server's status line, the causes of its failures and the search on it.
// Russian, UTF-8.

#include <QString>

#include "text/Plural.h"

namespace Str {

// The status line
inline const QString ServerConnecting = QStringLiteral("Сервер: подключение…");
inline const QString ServerSynced = QStringLiteral("Сервер: синхронизировано");
inline const QString ServerQueued = QStringLiteral("Сервер: %1 в очереди");
inline const QString ServerFailed = QStringLiteral("Сервер: %1");
inline const QString ServerFailedQueued = QStringLiteral("Сервер: %1 (%2 в очереди)");
// "1 запись", "2 записи", "5 записей"
inline QString records(qint64 n)
{
    return Plural::count(n, QStringLiteral("запись"), QStringLiteral("записи"),
                         QStringLiteral("записей"));
}
inline const QString ServerPasswordRefused = QStringLiteral(
    "пароль в строке Server не используется: файл настроек читают все; удалите его оттуда "
    "и запишите в ~/.pgpass (права 0600)");
inline const QString ServerNoAnswer = QStringLiteral("сервер не отвечает (ждали %1 с)");
inline const QString ServerNoDriver = QStringLiteral("нет драйвера PostgreSQL");
// A failure of the local archive file the replication reads, before what SQLite said.
inline const QString ServerArchiveFailed = QStringLiteral("архив: %1");
inline const QString ServerDetailsInTooltip = QStringLiteral(
    "ошибка сервера (подробно в подсказке)");
// A second copy of the program under a station name the server has from another archive, told
// by comparing the newest records (a server or an archive that knows no holders of names).
inline const QString ServerOtherArchive = QStringLiteral(
    "станция «%1» на сервере ведёт другой архив; задайте этой станции своё имя (Station в "
    "разделе Archive)");
// The same told by the archives' identities: that station's records stay in the local archive,
// the others go. The parts are joined by "; " after "Сервер: ".
inline const QString ServerStationHeld = QStringLiteral(
    "записи станции «%1» (%2) не отправляются: под этим именем на сервере ведёт записи другой "
    "архив (другая копия программы)");
inline const QString ServerStationSent = QStringLiteral("записи станции %1 отправлены");
inline const QString ServerStationsSent = QStringLiteral("записи станций %1 отправлены");
inline const QString ServerStationQueued = QStringLiteral("записи станции %1: %2 в очереди");
inline const QString ServerStationsQueued = QStringLiteral("записи станций %1: %2 в очереди");
inline const QString ServerStationName = QStringLiteral("«%1»");

// Causes, from what libpq says
inline const QString CauseAdminShutdown = QStringLiteral("сервер остановлен администратором");
inline const QString CauseConnectionLost = QStringLiteral("связь с сервером прервалась");
inline const QString CauseRefused = QStringLiteral(
    "сервер не принимает подключения (не запущен или порт закрыт)");
inline const QString CauseHostUnknown = QStringLiteral("имя сервера не найдено");
inline const QString CauseUnreachable = QStringLiteral("сеть до сервера недоступна");
inline const QString CauseTimeout = QStringLiteral("сервер не отвечает (время ожидания истекло)");
inline const QString CauseStatementTimeout = QStringLiteral("сервер не успел выполнить запрос");
inline const QString CausePassword = QStringLiteral("сервер не принял пароль (см. ~/.pgpass)");
inline const QString CauseNoPassword = QStringLiteral("нет пароля для сервера (см. ~/.pgpass)");
inline const QString CauseHba = QStringLiteral(
    "сервер не допускает эту станцию (pg_hba.conf) или требует шифрования");
inline const QString CauseCertificate = QStringLiteral(
    "сертификат сервера не прошёл проверку (sslrootcert, имя сервера)");
inline const QString CauseRootCertMissing = QStringLiteral(
    "нет файла корневого сертификата для проверки сервера (sslrootcert)");
inline const QString CauseNoSsl = QStringLiteral("сервер не поддерживает шифрование (SSL)");
inline const QString CauseNoDatabase = QStringLiteral("на сервере нет такой базы данных");
inline const QString CauseNoRole = QStringLiteral("на сервере нет такой роли");
inline const QString CauseStarting = QStringLiteral("сервер запускается или останавливается");
inline const QString CauseTooMany = QStringLiteral("на сервере нет свободных подключений");
inline const QString CausePermission = QStringLiteral("у роли станции нет прав на таблицы");
inline const QString CauseBadConninfo = QStringLiteral("строка Server записана с ошибкой");
inline const QString CauseCannotConnect = QStringLiteral("не удалось подключиться к серверу");

// The search on the server
inline const QString SearchRunning = QStringLiteral("Поиск на сервере…");
inline const QString SearchCancel = QStringLiteral("Отменить");
inline const QString SearchCancelled = QStringLiteral("Поиск отменён");

} // namespace Str
