#include "mMRU.h"

#include "PathSyntax.h"
#include "frmVambrel.h"
#include "mSettings.h"

#include <QAction>

namespace vambrel {

namespace {

bool valid(const MruItems& items) {
    return items.size() == kMruEntries + 1 && !items.contains(nullptr);
}

void setEntry(QAction* entry, int position, const QString& path) {
    entry->setData(path);
    entry->setText(MruCaption(position, path));
    entry->setVisible(true);
}

} // namespace

QString MruCaption(int position, const QString& path) {
    return QLatin1Char('&') + QString::number(position) + QStringLiteral(". ") + FileNameOf(path);
}

MruItems MruItemsOf(frmVambrel& window) {
    MruItems items;
    for (int i = 0; i <= kMruEntries; ++i)
        items << window.mnuMRU(i);
    return items;
}

void LoadMRU(const MruItems& mnuMRU, QStringView appName) {
    if (!valid(mnuMRU))
        return;
    int filled = 0;
    for (int position = 1; position <= kMruEntries; ++position) {
        const QString path = GetSetting(appName, kSectionMru, QString::number(position));
        if (path.isEmpty())
            break;
        setEntry(mnuMRU[position], position, path);
        filled = position;
    }
    if (filled > 0)
        mnuMRU[0]->setVisible(true);
}

void AddMRU(const MruItems& mnuMRU, QStringView appName, const QString& path) {
    if (!valid(mnuMRU) || path.isEmpty())
        return;
    int found = 0;
    for (int position = 1; position <= kMruEntries; ++position) {
        if (mnuMRU[position]->isVisible() && mnuMRU[position]->data().toString() == path) {
            found = position;
            break;
        }
    }
    if (found == 1)
        return;
    // Entries above the one found (or all but the last) each move one place down.
    const int last = found > 0 ? found - 1 : kMruEntries - 1;
    for (int position = last; position >= 1; --position) {
        if (mnuMRU[position]->isVisible())
            setEntry(mnuMRU[position + 1], position + 1, mnuMRU[position]->data().toString());
    }
    setEntry(mnuMRU[1], 1, path);
    mnuMRU[0]->setVisible(true);
    SaveMRU(appName, mnuMRU);
}

void SaveMRU(QStringView appName, const MruItems& mnuMRU) {
    if (!valid(mnuMRU))
        return;
    for (int position = 1; position <= kMruEntries; ++position) {
        if (!mnuMRU[position]->isVisible())
            break;
        SaveSetting(appName, kSectionMru, QString::number(position), mnuMRU[position]->data().toString());
    }
}

void LoadMRU(frmVambrel& window, QStringView appName) {
    LoadMRU(MruItemsOf(window), appName);
}

void AddMRU(frmVambrel& window, QStringView appName, const QString& path) {
    AddMRU(MruItemsOf(window), appName, path);
}

void SaveMRU(QStringView appName, frmVambrel& window) {
    SaveMRU(appName, MruItemsOf(window));
}

} // namespace vambrel
