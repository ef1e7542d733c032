#pragma once

#include <QList>
#include <QString>

namespace vambrel {

// The rules of the explorer window, apart from any widget: sorting on a column click, the
// extension question of a rename, the hit-test positions of a click and the status texts.
class ExplorerRules {
public:
    struct Sort {
        int key = 0;   // zero-based column
        int order = 0; // 0 ascending, 1 descending
        bool operator==(const Sort&) const = default;
    };
    // A click on the column of 1-based index `column`: the same column flips the order (0 becomes
    // 1, anything else 0); another column becomes the key and the order stays.
    static Sort ColumnClick(Sort current, int column);

    // True when a rename changes the extension (from the last "." on, letter case counts).
    static bool ExtensionChanged(const QString& oldName, const QString& newName);

    // Twips to pixels at 15 twips per pixel.
    static int Pixels(int twips) { return twips / 15; }
    // Where a click in the folder tree is looked for along its row: 300 to 8000 twips, step 100.
    static QList<int> TreeHitXs();
    // Where a click in the file list is looked for: inside the first column.
    static int ListHitX() { return Pixels(25); }

    // The status panels after a listing.
    static QString CountText(qint64 items);
    static QString SizeText(qint64 filesSize);

    // The folder that holds a folder being renamed; empty for a drive, which cannot be renamed.
    static QString RenameParent(const QString& folder, bool isDrive);
};

} // namespace vambrel
