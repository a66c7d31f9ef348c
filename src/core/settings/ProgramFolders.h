#pragma once

// Where the program keeps its files: beside itself, as it always did, or, when its own folder
// cannot be written (an installed program), in the user's folders: settings in
// $XDG_CONFIG_HOME/reg01/, the recovery journal in $XDG_STATE_HOME/reg01/, the archive in
// $XDG_DATA_HOME/reg01/ (defaults ~/.config, ~/.local/state, ~/.local/share). On Windows the
// settings go to %APPDATA%\reg01\, the journal and the archive to %LOCALAPPDATA%\reg01\.

#include <QString>

class ProgramFolders
{
public:
    // The program's own folder, ending in '/'.
    static QString programDir();
    static void setProgramDir(const QString &dir); // tests and the demo folder; empty: the real one

    // The settings file to read and write. In a folder the user cannot write, a settings file
    // beside the program is the starting point: it is copied to the user's folder the first
    // time, and the copy is used from then on.
    static QString settingsPath(const QString &fileName);
    static QString statePath(const QString &fileName);
    static QString dataPath(const QString &fileName);

    // Whether files beside the program can be made and replaced.
    static bool programDirWritable();

private:
    enum class Kind { Config, State, Data };
    static QString userDir(Kind kind); // made when missing; empty when it cannot be
};
