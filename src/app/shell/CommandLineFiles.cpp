#include "CommandLineFiles.h"

#include <QDir>
#include <QUrl>

namespace vambrel {

QStringList CommandLineFiles(const QStringList& arguments, const QString& currentFolder) {
    QStringList files;
    bool options = true;
    const QDir here(currentFolder);
    for (const QString& word : arguments) {
        if (options && word == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (word.isEmpty() || (options && word.startsWith(QLatin1Char('-'))))
            continue;
        QString path = word;
        if (word.startsWith(QLatin1String("file:"))) {
            const QUrl url(word);
            if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
                continue;
            path = url.toLocalFile();
        } else if (word.contains(QLatin1String("://"))) {
            continue;
        }
        files << QDir::cleanPath(here.absoluteFilePath(path));
    }
    return files;
}

} // namespace vambrel
