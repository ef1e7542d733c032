#pragma once

#include <QString>
#include <QWidget>

namespace vambrel {

// What a child window of the main window offers to the frame's commands. The catalogue windows
// (and the explorer) implement it; the frame reaches its active child only through it, and the
// child speaks back through its own signals. It sits with the controls, below both sides.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;

    // The catalogue file that the window shows; empty for a window that shows none.
    virtual QString catalogueFile() const = 0;
    // A catalogue's view: the explorer view (true) or the flat list.
    virtual bool exploreView() const { return false; }
    // Builds and shows the other view; false, with the view unchanged, on failure.
    virtual bool setExploreView(bool explore) {
        (void)explore;
        return false;
    }
    // "&Informations de version" on the selected file.
    virtual void ShowVersion() = 0;
    // Whether the window has files to show the version window for.
    virtual bool canShowVersion() const { return true; }
    // Puts the focus in the window's main list (a window just opened or brought forward).
    virtual void focusContent() {}
    // "&Propriétés Vambrel" of the catalogue.
    virtual void ShowProperties() {}
    // "I&mprimer" of the catalogue.
    virtual void PrintDat() {}

    // The explorer's side. Which of its controls the "&Edition" commands act on: the file list
    // when it has the focus, otherwise the folder tree; None for windows without them.
    enum class EditTarget { None, Files, Folder };
    virtual EditTarget editTarget() const { return EditTarget::None; }
    // Whether the file list holds items and one of them is selected.
    virtual bool hasSelectedFile() const { return false; }
    // The full path of the folder selected in the tree; empty when none.
    virtual QString selectedFolder() const { return {}; }
    // Starts editing the label of the selected file or folder.
    virtual void startRename(EditTarget target) { (void)target; }

    // The interface of a child widget; null for any other widget.
    static ChildWindow* of(QWidget* widget) { return dynamic_cast<ChildWindow*>(widget); }
};

} // namespace vambrel
