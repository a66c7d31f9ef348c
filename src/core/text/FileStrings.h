#pragma once

// The texts about results files and the bytes they hold. Russian, UTF-8.

#include <QString>

namespace Str {

inline const QString OtherFamilyOpen = QStringLiteral(
    "Файл \"%1\" похож на таблицу прибора %2: в этом окне её столбцы сместятся, а новые "
    "результаты лягут в неё со столбцами этого прибора.\nОткрыть его всё равно?");
inline const QString FamilyTarvo = QStringLiteral("«Тарво-2(2M)»");
inline const QString FamilyMirel = QStringLiteral("«Мирел-2» или «Бестан-1(1М)»");

inline const QString UnheldCaption = QStringLiteral("Знаки вне кодировки файла");
inline const QString UnheldTaken = QStringLiteral(
    "Файл результатов хранит текст в кодировке Windows-1251, а в этих строках есть знаки, "
    "которых в ней нет. В таблице они показаны как «?», и при сохранении программа спросит "
    "ещё раз.");
inline const QString UnheldSave = QStringLiteral(
    "Файл результатов хранит текст в кодировке Windows-1251, а в этих строках есть знаки, "
    "которых в ней нет; в файл они запишутся как «?».\nСохранить так?");
inline const QString UnheldRow = QStringLiteral("Строка %1: %2");
inline const QString ControlsDropped = QStringLiteral("Убраны управляющие символы, строки: %1");

} // namespace Str
