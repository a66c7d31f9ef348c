#include "serial/PortDetails.h"

QString PortCaption(const QString &portName, const PortDetails &details)
{
    if (details.description.isEmpty())
        return portName;
    return portName + QStringLiteral(" — ") + details.description;
}
