#pragma once

// Texts of the archive's tamper evidence and of the server's checks.

#include <QString>

namespace Str {
inline const QString ChainBroken = QStringLiteral(
    "Архив: цепочка записей нарушена, первая неверная запись: станция «%1», № %2");
inline const QString ChainTriggersRestored = QStringLiteral(
    "Архив: защита записей была снята и восстановлена (%1)");
inline const QString ChainCheckFailed = QStringLiteral("Архив: проверка не удалась: %1");

inline const QString ServerChainBroken = QStringLiteral(
    "цепочка записей архива нарушена (станция «%1», № %2): записи с неё не отправляются");
inline const QString ServerConflict = QStringLiteral(
    "на сервере под № %2 станции «%1» другая запись; запись станции не отправлена");
inline const QString ServerRefusedChain = QStringLiteral(
    "сервер не принял запись № %2 станции «%1»: она не продолжает цепочку на сервере");
inline const QString ServerNotPermitted = QStringLiteral(
    "сервер не допускает эту роль к записям станции «%1» (таблица reg01_station_roles)");
inline const QString ServerNotConfirmed = QStringLiteral(
    "сервер не подтвердил отправленное (станция «%1»); отправляется снова");
} // namespace Str
