#include "printing/PrintPreviewWindow.h"

#include "printing/PainterCanvas.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace printing {

namespace {

std::function<int(PrintPreviewWindow &)> &execHook()
{
    static std::function<int(PrintPreviewWindow &)> hook;
    return hook;
}

const QColor DeskColour(0x80, 0x80, 0x80);
const QColor PrintableEdgeColour(0x30, 0x60, 0xC0);

} // namespace

// ---- the page --------------------------------------------------------------------

PreviewPageView::PreviewPageView(const PreviewDocument &doc, QWidget *parent)
    : QWidget(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("PreviewPageView"));
    setAccessibleName(QStringLiteral("印刷プレビューのページ"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPageView::setPage(int index)
{
    m_page = index;
    update();
}

void PreviewPageView::setScale(QPointF scale)
{
    m_scale = scale;
    const QSize sheet(static_cast<int>(std::ceil(m_doc.sheet.paper.width() * scale.x())),
                      static_cast<int>(std::ceil(m_doc.sheet.paper.height() * scale.y())));
    resize(sheet + QSize(2 * Margin, 2 * Margin));
    update();
}

void PreviewPageView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), DeskColour);
    const PreviewSheet &sheet = m_doc.sheet;
    if (m_page < 0 || m_page >= static_cast<int>(m_doc.pages.size())) {
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("印刷するページはありません"));
        if (onPainted)
            onPainted();
        return;
    }
    const QPointF origin = sheetOrigin();
    const QRectF paper(origin, QSizeF(sheet.paper.width() * m_scale.x(),
                                      sheet.paper.height() * m_scale.y()));
    p.fillRect(paper, Qt::white);

    // The drawing in device pixels from the printable area's corner, at the
    // screen's resolution: glyphs and lines are rendered for this scale.
    p.save();
    p.translate(origin);
    p.scale(m_scale.x(), m_scale.y());
    p.setClipRect(sheet.printable);
    p.translate(sheet.printable.topLeft());
    // Rules are one device pixel wide on paper; on screen at least one
    // screen pixel, so that they stay visible when the page is reduced.
    QPen rule(Qt::black);
    rule.setCosmetic(true);
    rule.setWidthF(std::max(1.0, std::min(m_scale.x(), m_scale.y())));
    p.setPen(rule);
    PainterCanvas canvas(&p, m_doc.fontDpiY);
    replayPage(m_doc.pages[static_cast<std::size_t>(m_page)], canvas);
    p.restore();

    // The printable area's edge, then the sheet's edge on top.
    const QRectF printable(origin.x() + sheet.printable.x() * m_scale.x(),
                           origin.y() + sheet.printable.y() * m_scale.y(),
                           sheet.printable.width() * m_scale.x(),
                           sheet.printable.height() * m_scale.y());
    QPen dashed(PrintableEdgeColour, 1, Qt::DashLine);
    dashed.setCosmetic(true);
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(printable.adjusted(0, 0, -1, -1));
    QPen edge(Qt::black, 1);
    edge.setCosmetic(true);
    p.setPen(edge);
    p.drawRect(paper.adjusted(-1, -1, 0, 0));
    if (onPainted)
        onPainted();
}

// ---- the window ------------------------------------------------------------------

PrintPreviewWindow::PrintPreviewWindow(PreviewDocument doc, QWidget *parent)
    : QDialog(parent), m_doc(std::move(doc))
{
    setObjectName(QStringLiteral("PrintPreviewWindow"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setAccessibleName(QStringLiteral("印刷プレビュー"));
    setModal(true);

    auto button = [this](const char *objectName, const QString &caption,
                         const QString &accessible, const QString &tip) {
        auto *b = new QToolButton(this);
        b->setText(caption);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setAccessibleName(accessible);
        b->setToolTip(tip);
        // The keys belong to the window: no button takes the focus, so
        // Enter and Space never press one by accident.
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumHeight(26);
        return b;
    };
    Button_Print = button("Button_Print", QStringLiteral("印刷"), QStringLiteral("印刷 (F11)"),
                          QStringLiteral("このページを印刷します (F11)"));
    Button_PrevPage = button("Button_PrevPage", QStringLiteral("前頁"),
                             QStringLiteral("前のページ (Page Up)"),
                             QStringLiteral("前のページ (Page Up)"));
    Button_NextPage = button("Button_NextPage", QStringLiteral("次頁"),
                             QStringLiteral("次のページ (Page Down)"),
                             QStringLiteral("次のページ (Page Down)"));
    Button_Fit = button("Button_Fit", QStringLiteral("全体"), QStringLiteral("ページ全体を表示"),
                        QStringLiteral("ページ全体を表示します"));
    Button_Zoom100 = button("Button_Zoom100", QStringLiteral("100%"),
                            QStringLiteral("実寸 100%"), QStringLiteral("実寸で表示します"));
    Button_Zoom200 = button("Button_Zoom200", QStringLiteral("200%"),
                            QStringLiteral("拡大 200%"), QStringLiteral("2 倍で表示します"));
    Button_ZoomOut = button("Button_ZoomOut", QStringLiteral("縮小"),
                            QStringLiteral("縮小 (Ctrl+−)"), QStringLiteral("縮小 (Ctrl+−)"));
    Button_ZoomIn = button("Button_ZoomIn", QStringLiteral("拡大"),
                           QStringLiteral("拡大 (Ctrl++)"), QStringLiteral("拡大 (Ctrl++)"));
    Button_Close = button("Button_Close", QStringLiteral("閉じる"), QStringLiteral("閉じる"),
                          QStringLiteral("印刷せずに閉じます (Esc)"));
    Label_Page = new QLabel(this);
    Label_Page->setObjectName(QStringLiteral("Label_Page"));
    Label_Page->setMinimumWidth(120);
    Label_Page->setAlignment(Qt::AlignCenter);
    Label_Zoom = new QLabel(this);
    Label_Zoom->setObjectName(QStringLiteral("Label_Zoom"));
    Label_Zoom->setMinimumWidth(48);
    Label_Zoom->setAlignment(Qt::AlignCenter);

    auto *bar = new QHBoxLayout;
    bar->addWidget(Button_Print);
    bar->addSpacing(12);
    bar->addWidget(Button_PrevPage);
    bar->addWidget(Label_Page);
    bar->addWidget(Button_NextPage);
    bar->addSpacing(12);
    bar->addWidget(Button_Fit);
    bar->addWidget(Button_Zoom100);
    bar->addWidget(Button_Zoom200);
    bar->addWidget(Button_ZoomOut);
    bar->addWidget(Label_Zoom);
    bar->addWidget(Button_ZoomIn);
    bar->addStretch(1);
    bar->addWidget(Button_Close);

    m_view = new PreviewPageView(m_doc);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollArea_Page"));
    m_scroll->setAccessibleName(QStringLiteral("印刷プレビュー"));
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignCenter);
    {
        QPalette desk = m_scroll->viewport()->palette();
        desk.setColor(QPalette::Window, DeskColour);
        m_scroll->viewport()->setPalette(desk);
        m_scroll->viewport()->setBackgroundRole(QPalette::Window);
        m_scroll->viewport()->setAutoFillBackground(true);
    }
    m_scroll->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    connect(Button_Print, &QToolButton::clicked, this, &PrintPreviewWindow::print);
    connect(Button_PrevPage, &QToolButton::clicked, this, &PrintPreviewWindow::previousPage);
    connect(Button_NextPage, &QToolButton::clicked, this, &PrintPreviewWindow::nextPage);
    connect(Button_Fit, &QToolButton::clicked, this, &PrintPreviewWindow::zoomToFit);
    connect(Button_Zoom100, &QToolButton::clicked, this, [this] { setZoomPercent(100); });
    connect(Button_Zoom200, &QToolButton::clicked, this, [this] { setZoomPercent(200); });
    connect(Button_ZoomOut, &QToolButton::clicked, this, &PrintPreviewWindow::zoomOut);
    connect(Button_ZoomIn, &QToolButton::clicked, this, &PrintPreviewWindow::zoomIn);
    connect(Button_Close, &QToolButton::clicked, this, &QDialog::reject);

    // Window shortcuts come before the scroll area, which would otherwise
    // scroll on Page Up and Page Down.
    auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_PageDown), &PrintPreviewWindow::nextPage);
    shortcut(QKeySequence(Qt::Key_PageUp), &PrintPreviewWindow::previousPage);
    shortcut(QKeySequence(Qt::Key_F11), &PrintPreviewWindow::print);
    shortcut(QKeySequence(Qt::Key_Escape), &QDialog::reject);
    // Ctrl and "+" with or without Shift (typed with Shift on US and JIS
    // keyboards, without on the keypad), or "=" as on a US keyboard.
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus),
          QKeySequence(Qt::CTRL | Qt::Key_Equal)})
        shortcut(keys, &PrintPreviewWindow::zoomIn);
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Minus)})
        shortcut(keys, &PrintPreviewWindow::zoomOut);

    // A window that shows a whole A5 page at a readable size, within the screen.
    QSize size(760, 900);
    if (const QScreen *s = screen())
        size = size.boundedTo(s->availableGeometry().size() * 0.9);
    resize(size);
    m_scroll->setFocus(Qt::OtherFocusReason);
    applyZoom();
    showPage(0);
}

int PrintPreviewWindow::run()
{
    if (execHook())
        return execHook()(*this);
    return exec();
}

void PrintPreviewWindow::setExecHook(std::function<int(PrintPreviewWindow &)> hook)
{
    execHook() = std::move(hook);
}

QPointF PrintPreviewWindow::screenDpi() const
{
    return {static_cast<double>(m_view->logicalDpiX()), static_cast<double>(m_view->logicalDpiY())};
}

void PrintPreviewWindow::showPage(int index)
{
    const int last = pageCount() - 1;
    m_page = std::max(0, std::min(index, last));
    m_view->setPage(last < 0 ? -1 : m_page);
    updateLabels();
}

void PrintPreviewWindow::zoomToFit()
{
    m_fit = true;
    applyZoom();
}

void PrintPreviewWindow::setZoomPercent(double percent)
{
    m_fit = false;
    m_zoom = std::clamp(percent, MinZoomPercent, MaxZoomPercent);
    applyZoom();
}

void PrintPreviewWindow::zoomIn()
{
    setZoomPercent(zoomStep(m_zoom, +1));
}

void PrintPreviewWindow::zoomOut()
{
    setZoomPercent(zoomStep(m_zoom, -1));
}

void PrintPreviewWindow::applyZoom()
{
    if (m_fit)
        m_zoom = fitZoomPercent(m_doc.sheet, m_scroll->viewport()->size(),
                                PreviewPageView::Margin, screenDpi());
    m_view->setScale(previewScale(m_doc.sheet, m_zoom, screenDpi()));
    updateLabels();
}

void PrintPreviewWindow::updateLabels()
{
    const int n = pageCount();
    QString page = n == 0 ? QStringLiteral("0 / 0 ページ")
                          : QStringLiteral("%1 / %2 ページ").arg(m_page + 1).arg(n);
    if (n > 0 && m_doc.pages[static_cast<std::size_t>(m_page)].ops.isEmpty())
        page += QStringLiteral("（白紙）");
    Label_Page->setText(page);
    m_view->setAccessibleDescription(page);
    Label_Zoom->setText(QStringLiteral("%1%").arg(qRound(m_zoom)));
    Button_PrevPage->setEnabled(m_page > 0);
    Button_NextPage->setEnabled(m_page + 1 < n);
}

void PrintPreviewWindow::print()
{
    if (m_print && m_print()) {
        m_printed = true;
        accept();
    }
}

bool PrintPreviewWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_fit)
        applyZoom();
    return QDialog::eventFilter(watched, event);
}

} // namespace printing
