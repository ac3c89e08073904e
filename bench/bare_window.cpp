// The floor the window's memory and start-up are measured against: a bare Qt main window with
// a table of four columns and three rows, and nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    QStandardItemModel model(3, 4);
    auto* pView = new QTableView(&window);
    pView->setModel(&model);
    window.setCentralWidget(pView);
    window.resize(300, 302);
    window.show();
    return application.exec();
}
