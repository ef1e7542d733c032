#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace vambrel {

// What the properties sheet shows of a file or folder: captions and values, in order.
// A symbolic link is described itself, not its target.
class ShellPropertiesTexts {
public:
    using Row = QPair<QString, QString>;

    // None when the item is gone.
    static std::optional<ShellPropertiesTexts> read(const QString& path);

    QString title() const { return m_title; }
    QList<Row> rows() const { return m_rows; }
    // The value of a caption; empty when the sheet has no such row.
    QString value(const QString& caption) const;

    // "rwxr-x---" of a mode, with the set-id and sticky bits in the execute places.
    static QString permissionsText(uint mode);
    // The type as the sheet words it.
    static QString typeText(const QString& path, bool folder, bool link);

private:
    QString m_title;
    QList<Row> m_rows;
};

} // namespace vambrel
