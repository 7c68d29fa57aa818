#include "main_window.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (!app.arguments().contains(QStringLiteral("--single"))) {
        std::cerr << "velmora: the supervisor is not built yet; start with --single\n";
        return -1;
    }
    auto* wnd = new main_window(nullptr, Qt::WindowFlags());
    wnd->setAttribute(Qt::WA_DeleteOnClose);
    wnd->show();
    return app.exec();
}
