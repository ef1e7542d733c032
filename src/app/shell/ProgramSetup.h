#pragma once

class QApplication;

namespace vambrel {

// What the program sets up before its first window: Qt's own texts in French (standard dialogs,
// buttons), French dates and numbers in those dialogs, the program's icon on every window, and an
// icon theme to fall back on when no desktop session chose one, so that file types are told apart.
// Returns whether Qt's French texts could be loaded.
bool SetUpProgram(QApplication& app);

// Before the application object: the standard dialogs take their dates and sizes from the
// system's locale, so the program asks for a French one unless the user chose a locale for dates
// or for everything. SetUpProgram gives the environment back, so that the processes the program
// starts (the job server) see the user's own.
void PreferFrenchLocale();

} // namespace vambrel
