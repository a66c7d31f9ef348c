#include "session/TWindowSettings.h"

#include <QFileInfo>

TWindowSettings::TWindowSettings(const QString &path)
    : m_ini(path)
    , m_existed(QFileInfo::exists(path))
{}

bool TWindowSettings::write(const std::function<void(TIniPlus &)> &put)
{
    m_ini.beginUpdate();
    put(m_ini);
    if (m_ini.commit())
        return true;
    m_ini = TIniPlus(m_ini.FileName());
    return false;
}
