// Program entry: single instance, creates the windows, runs the loop.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("◇Kanro_VEY_1"));
    QLabel placeholder(QStringLiteral("◇Kanro_VEY_1"));
    placeholder.setWindowTitle(QStringLiteral("◇Kanro_VEY_1"));
    placeholder.show();
    return app.exec();
}
