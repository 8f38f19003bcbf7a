#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("ORVANE ZK412V"));
    label.resize(800, 572);
    label.show();
    return app.exec();
}
