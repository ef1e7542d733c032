#pragma once

#include "Database.h"
#include "NewFileRows.h"
#include "controls/PagedRowSource.h"

#include <functional>

namespace vambrel {

// The new files found by the search as a paged list, sorted by "Nom" or "Chemin". A click on the
// sort column flips its order; a click on the other column sorts by it ascending.
class NewFileSource : public PagedRowSource {
public:
    // Opens the new-files list; false with the cause when it cannot be read.
    bool open(const QString& path, QString* error);
    void close();
    bool isOpen() const { return m_rows.isValid(); }

    int sortKey() const { return m_key; }            // 0 "Nom", 1 "Chemin"
    int sortOrder() const { return m_desc ? 1 : 0; } // 0 ascending, 1 descending
    // A click on list column `column` (0 "Nom", 1 "Chemin"); false when nothing changed.
    bool sortByColumn(int column);

    void setIconProvider(std::function<QIcon(const QString& nom)> provider) { m_icon = std::move(provider); }

    qint64 rowCount() const override { return m_rows.count(); }
    QStringList headers() const override;
    Row row(qint64 position) override;
    void restAt(qint64 position) override { m_rows.moveTo(position); }

    // The name and folder of entry `index`, as stored.
    struct Entry {
        QString nom, folder;
    };
    Entry entry(qint64 index);
    QByteArray exportLine(qint64 index);
    qint64 currentPosition() const { return m_rows.position(); }

private:
    bool reopen();

    Database m_db;
    NewFileRows m_rows;
    int m_key = 0;
    bool m_desc = false;
    std::function<QIcon(const QString&)> m_icon;
};

} // namespace vambrel
