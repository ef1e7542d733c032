#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vambrel {

// Tells whether the names in one folder changed while a file operation ran. Set the folder,
// register watches by number with a filter, start before the operation, then wait and ask after
// it. A change of names is a creation, a deletion or a rename of an entry of the folder; the
// folder itself deleted, moved away or unmounted, or more changes than the system could keep,
// signal every watch. Built on inotify.
class FolderWatcher : public QObject {

public:
    enum Filter { FileNames = 1, FolderNames = 2 };

    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override;

    // The folder to watch: an exact path (NameFromNative).
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }
    // Registers watch `number` with a filter; false for an unknown filter.
    bool addWatch(int number, int filter);
    // Starts watching; false when the folder cannot be watched (then no watch is ever signalled).
    bool start();
    // Waits up to `milliseconds`, or less once a registered watch is signalled. The window keeps
    // repainting meanwhile; the user's input waits until the end.
    void wait(int milliseconds);
    // Whether watch `number` saw a change since start.
    bool signalled(int number);

private:
    // Reads the changes the system has queued; true when a registered watch is signalled.
    bool drain();

    QString m_folder;
    QMap<int, int> m_filters;    // watch number -> filter
    QMap<int, bool> m_signalled; // watch number -> seen
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vambrel
