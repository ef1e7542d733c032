#pragma once

#include "Database.h"
#include "ListingPagination.h"
#include "ListingPrinter.h"
#include "ListingReport.h"
#include "PageNavigator.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAbstractScrollArea;
class QAction;
class QLabel;
class QPrinter;
class QToolBar;
class QToolButton;

namespace vambrel {

class cScrollBar;

// "Aperçu avant impression": one page of the listing report of a catalogue on a white A4 sheet,
// paging, printing any range of pages to a printer or a PDF file, and the layout settings.
// The window owns its connection to the catalogue and closes it when it unloads.
class frmApercu : public QMainWindow {
    Q_OBJECT

public:
    explicit frmApercu(QWidget* owner = nullptr);
    ~frmApercu() override;

    // Opens `catalogueFile` read-only in a new preview owned by `owner`, builds the report and
    // shows the window, modal to the application, deleted when it closes. Unloaded() tells when
    // it is gone, whichever way it closes (also with its owner). On failure: no window, a French
    // message in `error`.
    static frmApercu* openCatalogue(QWidget* owner, const QString& catalogueFile, bool computerListing,
                                    QString* error);

    // Set by the opener, in this order, before PopulateRec.
    void setDatabase(Database db) { m_db = std::move(db); }
    void setComputerListing(bool computerListing) { m_computerListing = computerListing; }
    bool computerListing() const { return m_computerListing; }

    // Reads the report for the current settings, pages it and shows page 1. False, with an empty
    // report and a French message in lastError(), when the catalogue cannot be read.
    bool PopulateRec();
    // Draws pages first..last: destination 0 the preview sheet (one page), 1 `printer`.
    bool Imprime(int destination, int first, int last, QPrinter* printer = nullptr);

    int filesPerLine() const { return m_filesPerLine; }
    void setFilesPerLine(int filesPerLine) { m_filesPerLine = filesPerLine; }
    int folderFilter() const { return m_folderFilter; }
    void setFolderFilter(int folderFilter) { m_folderFilter = folderFilter; }

    int pageCount() const { return m_nav.pageCount(); }
    int currentPage() const { return m_nav.current(); }
    QString pageLabel() const;
    QImage sheetImage() const { return m_sheetImage; }
    const QString& lastError() const { return m_error; }
    const ListingReport* report() const { return m_report.get(); }
    const ListingPagination& pagination() const { return m_pages; }
    cScrollBar* msb() const { return m_msb; }
    QAbstractScrollArea* area() const { return m_area; }

    void imaNav_Click(int index);
    void mnuImprimer_Click();
    void mnuConfigurer_Click();
    void tooBar_ButtonClick(int index);

    // The print dialog: prepares `printer` (destination, page range) for pages 1..pageCount and
    // returns false when cancelled. Tests set their own to print without a dialog.
    using PrintChooser = std::function<bool(QPrinter& printer, int pageCount)>;
    void setPrintChooser(PrintChooser chooser) { m_printChooser = std::move(chooser); }
    // Where failures are told; a critical message box unless replaced.
    using MessageSink = std::function<void(const QString& message)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

Q_SIGNALS:
    // The window has closed its catalogue and is going away.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void msb_Change(int bar);
    void layoutBars();
    void showPage();
    void updateControls();
    void showMessage(const QString& message);
    void moveBar(int bar, int delta);
    void restorePlacement();
    void unload();
    bool defaultPrintChooser(QPrinter& printer, int pageCount);

    Database m_db;
    bool m_computerListing = false;
    int m_filesPerLine = 0;
    int m_folderFilter = 0;
    int m_reportFilter = -1; // the filter of the rows read, -1 before any
    std::unique_ptr<ListingReport> m_report;
    ListingPagination m_pages;
    std::unique_ptr<ListingPrinter> m_printer;
    PageNavigator m_nav;
    QImage m_sheetImage;
    QString m_error;
    bool m_unloaded = false;

    QAbstractScrollArea* m_area = nullptr;
    QLabel* m_picApercu = nullptr;
    QToolBar* m_tooBar = nullptr;
    std::array<QAction*, 2> m_toolButtons{};
    std::array<QToolButton*, 4> m_imaNav{};
    QLabel* m_lblPage = nullptr;
    QAction* m_mnuImprimer = nullptr;
    QAction* m_mnuConfigurer = nullptr;
    cScrollBar* m_msb = nullptr;
    PrintChooser m_printChooser;
    MessageSink m_messageSink;
};

} // namespace vambrel
