#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "resources.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    initKolvexResources();
    ui->setupUi(this);
}

MainWindow::~MainWindow()
{
    delete ui;
}

QSqlError MainWindow::openDataBase(const QString &)
{
    return QSqlError();
}

void MainWindow::addConnection()
{
}
