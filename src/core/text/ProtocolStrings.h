#pragma once

// The texts of the test protocol: the report's header, footer and signature. Russian, UTF-8.

#include <QString>

namespace Str {

inline const QString ProtocolTitle = QStringLiteral("Протокол испытаний");
inline const QString ProtocolLaboratory = QStringLiteral("Лаборатория: %1");
inline const QString ProtocolInstrument = QStringLiteral("Анализатор: %1");
inline const QString ProtocolModel = QStringLiteral("Модель: %1");
inline const QString ProtocolDevice = QStringLiteral("№ прибора: %1");
inline const QString ProtocolOperator = QStringLiteral("Оператор: %1");
inline const QString ProtocolPeriod = QStringLiteral("Период: %1 — %2");
inline const QString ProtocolNorms = QStringLiteral("Нормы: %1");
// A column's limit: its title, then its bounds.
inline const QString ProtocolNormRange = QStringLiteral("%1 %2…%3");
inline const QString ProtocolNormMin = QStringLiteral("%1 не ниже %2");
inline const QString ProtocolNormMax = QStringLiteral("%1 не выше %2");
inline const QString ProtocolPrinted = QStringLiteral("Напечатано: %1");
inline const QString ProtocolSignature = QStringLiteral("Подпись: ____________________ %1");
// A signature line of its own caption ("Сдал", "Принял").
inline const QString ProtocolSignedAs = QStringLiteral("%1: ____________________");

} // namespace Str
