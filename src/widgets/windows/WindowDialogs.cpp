#include "windows/WindowDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

#include "results/ResultsFileName.h"
#include "text/Strings.h"

QMessageBox::StandardButton ShowMessageBox(QWidget *parent, QMessageBox::Icon icon,
                                           const QString &caption, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           const QString &informative)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setInformativeText(informative);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString AskResultsFileName(QWidget *parent, bool forSaving, const QString &current)
{
    QFileDialog d(parent);
    d.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d.setNameFilter(Str::FileFilter);
    d.setDefaultSuffix(Str::DefaultExt);
    const QFileInfo fi(current);
    d.setDirectory(fi.absolutePath());
    d.selectFile(fi.fileName());
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return QString();
    // The dialog adds its suffix only to a name without any: "Смена 09.12.2026" has one.
    const QString chosen = d.selectedFiles().first();
    return forSaving ? ResultsFileName::withTxt(chosen) : chosen;
}
