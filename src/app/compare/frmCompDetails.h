#pragma once

#include <QDialog>
#include <QIcon>
#include <array>

class QLabel;
class QPushButton;

namespace vambrel {

class ComparisonRows;

// What the catalogue recorded of one file of a comparison and, for a changed file, what the
// computer holds now, side by side, with the sentence of its category.
class frmCompDetails : public QDialog {
    Q_OBJECT

public:
    explicit frmCompDetails(QWidget* parent = nullptr);

    // A file of category 0, 1 or 2 on the current row of `rows`; a changed file (1) is looked at
    // on the computer now.
    void showCatalogueFile(const ComparisonRows& rows, int category, const QIcon& icon);
    // A new file: what the computer holds at folder/nom now, in the catalogue's column.
    void showNewFile(const QString& nom, const QString& folder, const QIcon& icon);

    static QString NotFoundMessage();
    static QString SizeText(qint64 size);

    QLabel* imaFichier() const { return m_imaFichier; }
    QLabel* lblFichier() const { return m_lblFichier; }
    QLabel* lblChemin() const { return m_lblChemin; }
    QLabel* lblOu(int index) const { return m_lblOu[size_t(index)]; }
    QLabel* lblTailleID() const { return m_values[0][0]; }
    QLabel* lblTaillePT() const { return m_values[0][1]; }
    QLabel* lblDateID() const { return m_values[1][0]; }
    QLabel* lblDatePT() const { return m_values[1][1]; }
    QLabel* lblVersionID() const { return m_values[2][0]; }
    QLabel* lblVersionPT() const { return m_values[2][1]; }
    QLabel* lblInfo() const { return m_lblInfo; }
    QPushButton* cmdFermer() const { return m_cmdFermer; }

private:
    void setIcon(const QIcon& icon);

    QLabel* m_imaFichier;
    QLabel* m_lblFichier;
    QLabel* m_lblChemin;
    std::array<QLabel*, 2> m_lblOu{};
    // [size, date, version][catalogue, computer]
    std::array<std::array<QLabel*, 2>, 3> m_values{};
    QLabel* m_lblInfo;
    QPushButton* m_cmdFermer;
};

} // namespace vambrel
