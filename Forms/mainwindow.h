#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QSqlError>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    QSqlError openDataBase(const QString &file);

public slots:
    void addConnection();

private:
    Ui::MainWindow *ui;
};

#endif // MAINWINDOW_H
