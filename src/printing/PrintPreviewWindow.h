#pragma once

#include "printing/PrintPreview.h"

#include <QDialog>
#include <QPointF>
#include <functional>

class QLabel;
class QToolButton;
class QScrollArea;

namespace printing {

// One page of a preview document on screen: the sheet with its edge, the
// printable area's edge (dashed), and the recorded drawing replayed through
// a painter canvas scaled to screen pixels, clipped to the printable area as
// the printer clips it.
class PreviewPageView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Margin = 12; // grey border around the sheet, screen pixels

    explicit PreviewPageView(const PreviewDocument &doc, QWidget *parent = nullptr);

    void setPage(int index);
    // Screen pixels per device pixel; the widget takes the sheet's size at it.
    void setScale(QPointF scale);
    QPointF scale() const { return m_scale; }
    // Where the sheet's top-left corner lies in the widget.
    QPoint sheetOrigin() const { return {Margin, Margin}; }

    // Called after each paint (benchmarks time the first painted page).
    std::function<void()> onPainted;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const PreviewDocument &m_doc;
    int m_page = 0;
    QPointF m_scale{1, 1};
};

// The modal window "印刷プレビュー": the pages a print would feed, one at a
// time (Page Up / Page Down), zoomed to fit, 100 %, 200 % or in steps
// (Ctrl + and Ctrl −), with scrollbars when the page is larger than the
// window. F11 or "印刷" hands over to the print command (its question
// follows) and closes the window once the operator confirmed; Escape or
// "閉じる" closes it without printing.
class PrintPreviewWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PrintPreviewWindow(PreviewDocument doc, QWidget *parent = nullptr);

    // The print command; answers whether the operator confirmed the print.
    void setPrintHandler(std::function<bool()> handler) { m_print = std::move(handler); }

    // Shows the window modally (or through the test seam) and returns when
    // it is closed.
    int run();
    // Whether the window was closed by a confirmed print.
    bool printed() const { return m_printed; }

    const PreviewDocument &document() const { return m_doc; }
    int pageIndex() const { return m_page; }
    int pageCount() const { return static_cast<int>(m_doc.pages.size()); }
    double zoomPercent() const { return m_zoom; }
    bool fitsPage() const { return m_fit; }
    PreviewPageView *pageView() const { return m_view; }
    QScrollArea *scrollArea() const { return m_scroll; }

    void showPage(int index);
    void nextPage() { showPage(m_page + 1); }
    void previousPage() { showPage(m_page - 1); }
    void zoomToFit();
    void setZoomPercent(double percent);
    void zoomIn();
    void zoomOut();
    void print();

    // Test seam: when set, run() calls this instead of exec().
    static void setExecHook(std::function<int(PrintPreviewWindow &)> hook);

    QToolButton *Button_Print = nullptr;
    QToolButton *Button_PrevPage = nullptr;
    QToolButton *Button_NextPage = nullptr;
    QToolButton *Button_Fit = nullptr;
    QToolButton *Button_Zoom100 = nullptr;
    QToolButton *Button_Zoom200 = nullptr;
    QToolButton *Button_ZoomOut = nullptr;
    QToolButton *Button_ZoomIn = nullptr;
    QToolButton *Button_Close = nullptr;
    QLabel *Label_Page = nullptr;
    QLabel *Label_Zoom = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointF screenDpi() const;
    void applyZoom();
    void updateLabels();

    PreviewDocument m_doc;
    QScrollArea *m_scroll = nullptr;
    PreviewPageView *m_view = nullptr;
    std::function<bool()> m_print;
    int m_page = 0;
    double m_zoom = 100;
    bool m_fit = true;
    bool m_printed = false;
};

} // namespace printing
