#ifndef MANUFACTURERLIST_H
#define MANUFACTURERLIST_H

#include <QtGlobal>
#include <functional>

class QTableView;

// A manufacturer list beside the list it chooses for: column 0 the id
// (hidden), column 1 the name. It is as wide as its names, yet never so
// narrow that it could not be recognised.
class ManufacturerList
{
public:
    explicit ManufacturerList(QTableView *view);

    // Re-reads the list: select runs its statement, then the list is fitted
    // to the names and its first row made current, or, when records() is 0,
    // whenEmpty runs. A failure select reports stays the one reported, also
    // when the lists that follow the new row run statements of their own.
    // With keepId the manufacturer of that id is made current instead of the
    // first one, as long as it is still listed.
    void reread(const std::function<void()> &select, const std::function<int()> &records,
                const std::function<void()> &whenEmpty, qint64 keepId = -1);
    // After a change of font: the names and the width anew.
    void fitToNames();
    // Id (column 0) of the current manufacturer, -1 for none.
    qint64 currentId() const;

private:
    void fitWidth();
    int rowOf(qint64 id) const;

    QTableView *m_view;
};

#endif // MANUFACTURERLIST_H
