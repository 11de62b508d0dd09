// The yardstick of the start-up benchmark: a bare Qt Widgets window of the
// main window's size (769 x 661 client pixels, fixed), nothing inside. With
// --text it holds one label and one line edit in the window's font (the
// stand-in of "ＭＳ Ｐゴシック" at 16 pixels): the least a window that shows
// text pays for fonts.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstring>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.setFixedSize(769, 661);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        QFont f(QStringLiteral("IPAPGothic"));
        f.setPixelSize(16);
        w.setFont(f);
        auto *label = new QLabel(QStringLiteral("入力印刷　郵便番号"), &w);
        label->setGeometry(10, 10, 300, 24);
        auto *edit = new QLineEdit(&w);
        edit->setGeometry(10, 40, 300, 24);
    }
    w.show();
    return app.exec();
}
