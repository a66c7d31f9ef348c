#pragma once

// The texts of the Windows platform files: why a file or a serial port cannot be used.
// Russian, UTF-8.

#include <QString>

namespace Str {

inline const QString PathIsFolder = QStringLiteral("это папка");
inline const QString PathIsDevice = QStringLiteral("это устройство, а не файл");
inline const QString PathIsPipe = QStringLiteral("это канал, а не файл");

inline const QString WinPortNotFound = QStringLiteral(
    "Порт %1 не найден: прибор или адаптер не подключён, или у порта другой номер (он виден "
    "в диспетчере устройств, раздел «Порты (COM и LPT)»). Выберите порт в меню кнопки "
    "опроса.");
inline const QString WinPortBusy = QStringLiteral(
    "Порт %1 занят другой программой (или другим окном этой программы). Закройте её и начните "
    "опрос снова.");
inline const QString WinPortDenied = QStringLiteral(
    "Нет доступа к порту %1: он занят другой программой или закрыт для этого пользователя. "
    "Закройте программу, которая держит порт, и начните опрос снова.");
inline const QString WinPortNotSerial = QStringLiteral(
    "%1 — не последовательный порт. Выберите порт в меню кнопки опроса.");
inline const QString WinPortGone = QStringLiteral(
    "Порт %1 пропал: адаптер отключён от компьютера. Подключите его и начните опрос снова.");
inline const QString WinPortOther = QStringLiteral("Порт %1: %2 (код ошибки Windows %3).");

} // namespace Str
