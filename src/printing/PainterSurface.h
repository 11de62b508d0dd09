#pragma once

#include "printing/PainterCanvas.h"

#include <functional>

namespace printing {

// A print surface over the painter of an open print job: the page feed is
// the job's own (the printer object's new page).
class PainterSurface : public PrintSurface
{
public:
    PainterSurface(QPainter *painter, std::function<void()> newPage, int dpiY = 0,
                   CanvasTextCache *cache = nullptr)
        : m_canvas(painter, dpiY, cache), m_newPage(std::move(newPage))
    {
    }
    Canvas &canvas() override { return m_canvas; }
    void newPage() override { m_newPage(); }

private:
    PainterCanvas m_canvas;
    std::function<void()> m_newPage;
};

} // namespace printing
