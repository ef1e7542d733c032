#pragma once

#include <QList>
#include <QStringView>

class QAction;

namespace vambrel {

class frmVambrel;

// The recent-files list of the "&Fichier" menu: mnuMRU(0) is the separator, mnuMRU(1) to
// mnuMRU(4) the entries, newest first, each holding its full path as its data (the Tag) and the
// caption "&" + position + ". " + file name. An entry is in use while it is visible. Stored under
// section "MRU", keys "1" to "4".
inline constexpr int kMruEntries = 4;

// The menu items by their name on the window, or five actions of one's own (tests).
using MruItems = QList<QAction*>;
MruItems MruItemsOf(frmVambrel& window);

void LoadMRU(const MruItems& mnuMRU, QStringView appName);
// Puts path at the top (exact text match) and saves the list.
void AddMRU(const MruItems& mnuMRU, QStringView appName, const QString& path);
void SaveMRU(QStringView appName, const MruItems& mnuMRU);

void LoadMRU(frmVambrel& window, QStringView appName);
void AddMRU(frmVambrel& window, QStringView appName, const QString& path);
void SaveMRU(QStringView appName, frmVambrel& window);

// The caption of entry `position` (1 to 4) for a path.
QString MruCaption(int position, const QString& path);

} // namespace vambrel
