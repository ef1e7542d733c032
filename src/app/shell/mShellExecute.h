#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vambrel {

class ShellLauncher;

// Hands a file, a folder or an address to the desktop: opened with the application that the
// desktop associates with its type (freedesktop MIME associations), or the program's own
// properties sheet for the "Properties" verb. Results are the shell's codes: above 32 is success.
class mShellExecute {
public:
    enum Code {
        OutOfMemory = 0,
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        BadFormat = 11,
        AssociationIncomplete = 27,
        NoAssociation = 31,
        Success = 33,
    };
    // The window show code that lets the application choose.
    static constexpr int kShowDefault = 10;

    // Opens file with verb ("open", "" or "Properties"); parameters and the show mode have no
    // meaning for desktop applications and are not passed. A relative file is taken in folder.
    // With reportErrors, a code of 32 or less shows its French message over owner.
    static int Open(const QString& file, const QString& verb, const QString& parameters,
                    const QString& folder, int showMode, QWidget* owner, bool reportErrors);
    // The same request that reports through a Boolean; the code goes to resultCode and the
    // started process's id to processHandle when given. Shows a message unless noErrorDisplay.
    static bool ShellRequest(const QString& file, const QString& verb, const QString& parameters,
                             const QString& folder, int showMode, QWidget* owner, bool noErrorDisplay,
                             qint64* processHandle, int* resultCode);

    // The French message of a failure code.
    static QString ErrorMessage(int code);

    // Replaces the launcher (nullptr restores the real one); the caller keeps ownership.
    static void setLauncher(ShellLauncher* launcher);
    // Replaces the message box that reports errors (an empty function restores it).
    using Reporter = std::function<void(QWidget* owner, const QString& message)>;
    static void setReporter(Reporter reporter);

private:
    static int execute(const QString& file, const QString& verb, const QString& folder, QWidget* owner,
                       qint64* processId);
    static int openWith(const QString& applicationFile, const QString& target, const QString& folder,
                        qint64* processId);
    static void report(QWidget* owner, int code);
};

} // namespace vambrel
