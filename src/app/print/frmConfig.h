#pragma once

#include <QDialog>
#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace vambrel {

class frmApercu;

// "Configuration de l'aperçu": the layout of the listing report, files per line and which folders
// are listed. OK writes the choices into the preview and rebuilds it only when one changed.
class frmConfig : public QDialog {
    Q_OBJECT

public:
    struct Outcome {
        int filesPerLine = 1;
        int folderFilter = 0;
        bool changed = false;
        bool operator==(const Outcome&) const = default;
    };
    // The OK rule: a files-per-line button no longer selected gives the first selected of 1..4; a
    // folder button no longer selected flips the filter.
    static Outcome decide(int filesPerLine, int folderFilter, const std::array<bool, 5>& fichier,
                          const std::array<bool, 2>& dossier);

    // Selects the buttons of the preview's current choices.
    explicit frmConfig(frmApercu* preview);

    QRadioButton* optFichier(int index) const { return m_fichier.at(size_t(index)); } // 1..4
    QRadioButton* optDossier(int index) const { return m_dossier.at(size_t(index)); } // 0..1
    QPushButton* cmdAction(int index) const { return m_action.at(size_t(index)); }
    // 0 OK, 1 Annuler; both close the window.
    void cmdAction_Click(int index);

private:
    frmApercu* m_preview;
    std::array<QRadioButton*, 5> m_fichier{};
    std::array<QRadioButton*, 2> m_dossier{};
    std::array<QPushButton*, 2> m_action{};
};

} // namespace vambrel
