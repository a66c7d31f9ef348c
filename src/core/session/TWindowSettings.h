#pragma once

// A registration window's settings file, read once when the window is made: every part of the
// window reads its keys from here, and the close writes every part's keys in one rewrite of
// the file and one sync of its folder.

#include <functional>

#include <QString>

#include "settings/TIniPlus.h"

class TWindowSettings
{
public:
    explicit TWindowSettings(const QString &path);

    QString path() const { return m_ini.FileName(); }
    // The file was there when the window was made.
    bool existed() const { return m_existed; }
    // What the file held when the window was made, with what the window has written since.
    const TIniPlus &ini() const { return m_ini; }

    // `put` writes its keys; the file is rewritten once for all of them. False when it refused
    // them: what is read here is then what the file still holds.
    bool write(const std::function<void(TIniPlus &)> &put);

private:
    TIniPlus m_ini;
    bool m_existed = false;
};
