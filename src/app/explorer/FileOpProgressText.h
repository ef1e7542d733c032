#pragma once

#include "FileOpHost.h"

#include <QString>

namespace vambrel {

// The texts and the bar of the file-operation progress window for one state of the work. A
// title given by the caller replaces the name of each entry (the simple form of the window).
class FileOpProgressText {
public:
    FileOpProgressText(fileops::Function function, bool trash, const QString& title);

    QString caption() const;
    // What is being done: the title, or the verb and the entry's name.
    QString action(const fileops::Progress& progress) const;
    // The folder of the entry; empty with a title or before the first entry.
    QString folder(const fileops::Progress& progress) const;
    // "Élément 3 sur 10"; empty while nothing is counted.
    QString items(const fileops::Progress& progress) const;
    // "12,5 Mo sur 1,2 Go"; empty when the operation moves no data.
    QString bytes(const fileops::Progress& progress) const;
    // 0..1000: by data when there is data to move, by entries otherwise.
    int permille(const fileops::Progress& progress) const;

private:
    fileops::Function m_function;
    bool m_trash;
    QString m_title;
};

} // namespace vambrel
