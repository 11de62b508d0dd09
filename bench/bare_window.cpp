// The yardstick of the start-up benchmark: a bare Qt Widgets window of the
// main window's size (769 x 661 client pixels, fixed), nothing inside.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.setFixedSize(769, 661);
    w.show();
    return app.exec();
}
