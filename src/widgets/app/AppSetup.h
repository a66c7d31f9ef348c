#pragma once

class QApplication;

// Qt's own texts (message box buttons, file and print dialogs) in Russian.
bool installRussianTranslations(QApplication &app);

// Narrow faces of this system in place of the Windows faces the windows are laid out for.
void installFontSubstitutions();

// Start-up in the program's order: Form1, then the hidden Form2 and Form3.
void createForms();
void destroyForms();
