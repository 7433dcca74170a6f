#ifndef DATABASEPATHLABEL_H
#define DATABASEPATHLABEL_H

#include <QWidget>

class QLabel;

// The permanent part of the status bar: the path of the database the page
// shows and, for a database opened for reading only, "schreibgeschützt"
// beside it. Temporary status messages do not hide it.
class DatabasePathLabel : public QWidget
{
    Q_OBJECT
public:
    explicit DatabasePathLabel(QWidget *parent = nullptr);

    void showDatabase(const QString &path, bool readOnly);

    QString path() const;
    bool showsReadOnly() const;

private:
    QLabel *m_path;
    QLabel *m_readOnly;
};

#endif // DATABASEPATHLABEL_H
