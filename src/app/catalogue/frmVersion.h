#pragma once

#include "CatalogueReader.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QPointer>
#include <array>
#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace vambrel {

class Database;
class FileVersionList;

// The version information of one file of a list, with buttons and keys to step through the list.
// Catalogue mode shows what the catalogue recorded in its Version table for the rows of
// RecFichiers; computer mode reads the files of the explorer's list on disk now.
class frmVersion : public QDialog {
    Q_OBJECT

public:
    static constexpr int kInfoCount = 14;
    enum Navigation { Previous = 0, Next = 1, First = 2, Last = 3 };

    explicit frmVersion(QWidget* parent = nullptr);

    bool ModePoste() const { return m_modePoste; }
    void setModePoste(bool on) { m_modePoste = on; }
    // Catalogue mode: the open catalogue, the window's rows (a position of their own is taken),
    // and the list whose rows carry the NumId of their file in Qt::UserRole of their first column.
    void setBaseDat(const Database* db) { m_baseDat = db; }
    void setRecFichiers(const FileRows& rows);
    void setListeFichiers(QAbstractItemView* list) { m_listeFichiers = list; }
    const Snapshot& RecFichiers() const { return m_recFichiers.rows(); }
    // Computer mode: the explorer's files.
    void setFichiersPoste(std::shared_ptr<FileVersionList> files) { m_poste = std::move(files); }

    QLabel* lblFichier() const { return m_lblFichier; }
    QLabel* imaFichier() const { return m_imaFichier; }
    QLabel* lblEti(int index) const;
    QLabel* lblInfo(int index) const; // 0 to 13
    QToolButton* imaNavig(int index) const;
    QPushButton* Command1() const { return m_command1; }
    // The line shown instead of the values for a file without any version information.
    QLabel* lblNoVersion() const { return m_lblNoVersion; }
    bool showsNoVersion() const;

    // Re-selects the file selected in the list and shows it.
    void activate();
    void imaNavig_Click(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showRow();
    void showFile();
    void clearInfo();

    bool m_modePoste = false;
    const Database* m_baseDat = nullptr;
    FileRows m_recFichiers;
    QPointer<QAbstractItemView> m_listeFichiers;
    std::shared_ptr<FileVersionList> m_poste;

    QLabel* m_imaFichier;
    QLabel* m_lblFichier;
    std::array<QLabel*, 12> m_lblEti{};
    std::array<QLabel*, kInfoCount> m_lblInfo{};
    std::array<QToolButton*, 4> m_imaNavig{};
    QPushButton* m_command1;
    QLabel* m_lblNoVersion;
    QStackedWidget* m_pages;
};

} // namespace vambrel
