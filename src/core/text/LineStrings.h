#pragma once

// The texts of the line's state in the status bar, the port menu and the port error box.
// Russian, UTF-8.

#include <QString>

namespace Str {

// Polling state
inline const QString LineOff = QStringLiteral("Опрос выключен");
inline const QString LinePolling = QStringLiteral("Опрос: %1");
inline const QString LineWaiting = QStringLiteral("Ожидание результата");
inline const QString LineNextIn = QStringLiteral("Следующий результат через %1");
inline const QString LineSilent = QStringLiteral("Прибор не отвечает");
inline const QString LineLost = QStringLiteral("Связь потеряна, переподключение…");

// The other fields
inline const QString LineDevice = QStringLiteral("Прибор № %1");
inline const QString LineLastReply = QStringLiteral("Ответ в %1");
inline const QString LineNoReply = QStringLiteral("Ответов не было");
inline const QString LineResults = QStringLiteral("Результатов: %1");
inline const QString LineRejected = QStringLiteral("Прибор отклонил результат (%1): %2");
inline const QString LineRejectedStatus = QStringLiteral("статус 0x%1");
inline const QString LineUndecoded = QStringLiteral("ответ не расшифрован");
inline const QString LineDropped = QStringLiteral("ответы отброшены: %1");
inline const QString LineDroppedEcho = QStringLiteral("неверное эхо %1");
inline const QString LineDroppedLength = QStringLiteral("неверная длина %1");
inline const QString LineDroppedNone = QStringLiteral("нет ответа %1");

// Port menu
inline const QString OtherPort = QStringLiteral("Другой порт…");
inline const QString OtherPortCaption = QStringLiteral("Другой порт");
inline const QString OtherPortLabel = QStringLiteral("Путь к устройству порта:");
inline const QString StablePortHint = QStringLiteral(
    "Постоянное имя: не меняется при подключении адаптера в другое гнездо");

} // namespace Str
