#include "platform/FirstPaint.h"

#include <QEvent>
#include <QTimer>

namespace {
// Watches the window for its first paint event; lives on the window, so it
// goes with it, and ends itself once the work is handed on.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> work, std::chrono::milliseconds latest)
        : QObject(window), window_(window), work_(std::move(work))
    {
        window->installEventFilter(this);
        QTimer::singleShot(latest, this, [this] { handOn(); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The paint is under way: the work follows once it is on the screen.
        if (watched == window_ && event->type() == QEvent::Paint)
            handOn();
        return false;
    }

private:
    void handOn()
    {
        if (!work_)
            return;
        window_->removeEventFilter(this);
        QTimer::singleShot(0, window_, std::move(work_));
        work_ = nullptr;
        deleteLater();
    }

    QWidget *window_;
    std::function<void()> work_;
};
} // namespace

void runAfterFirstPaint(QWidget *window, std::function<void()> work,
                        std::chrono::milliseconds latest)
{
    new FirstPaintWatch(window, std::move(work), latest);
}
