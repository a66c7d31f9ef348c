#pragma once

// The record path's texts: the archive's file watch, its rebuild, what waits in the journal.

#include <QString>

namespace Str {

inline const QString ArchiveBusyOther = QStringLiteral("Архив: занят другой программой");
inline const QString ArchiveGone = QStringLiteral("Архив: файл удалён или подменён");
inline const QString ArchiveCut = QStringLiteral("Архив: файл усечён");
inline const QString ArchiveRebuilt = QStringLiteral(
    "; архив собран заново, прежний файл: «%1», не восстановлено записей: %2");
inline const QString ArchiveDeletedName = QStringLiteral("%1 (удалён)");
inline const QString ArchiveLeftInJournal = QStringLiteral(
    "Записи, которые архив не принял (%1), остаются в журнале восстановления и будут "
    "записаны в архив при следующем запуске.");

} // namespace Str
