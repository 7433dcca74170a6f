#include "bilderpopupwidget.h"

#include <QAbstractItemView>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

BilderPopupWidget::BilderPopupWidget(const QModelIndex &index, QAbstractItemModel *model,
                                     QAbstractItemView *view, const QString &imagesPath)
    : QListWidget(view),
      m_imagesPath(imagesPath),
      m_model(model),
      m_row(index.row()),
      m_column(index.column())
{
    setWindowFlags(windowFlags() | Qt::Popup);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    setSpacing(5);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int width = addPictureItems();
    connect(this, &QListWidget::itemActivated, this, &BilderPopupWidget::getBildIdFromItem);
    connect(this, &QListWidget::itemClicked, this, &BilderPopupWidget::getBildIdFromItem);

    placeAtCell(view, index, width);
    show();
    selectCurrentPicture();
}

QList<int> BilderPopupWidget::pictureNumbers(const QString &dir)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("Bild(.*)_scaled.png")));
    const QStringList names = QDir(dir).entryList({QStringLiteral("Bild*_scaled.png")},
                                                  QDir::Files, QDir::Name);
    QList<int> numbers;
    for (const QString &name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            numbers << m.captured(1).toInt();
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

int BilderPopupWidget::addPictureItems()
{
    int widest = 0;
    for (int number : pictureNumbers(m_imagesPath)) {
        const QPixmap pixmap(QStringLiteral("%1/Bild%2_scaled.png").arg(m_imagesPath).arg(number));
        auto *item = new QListWidgetItem(QString::number(number), this);
        item->setSizeHint(QSize(pixmap.width() + 60, pixmap.height()));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setForeground(QBrush(Qt::blue));
        auto *label = new QLabel;
        label->setPixmap(pixmap);
        setItemWidget(item, label);
        widest = std::max(widest, pixmap.width() + 60);
    }
    return widest;
}

void BilderPopupWidget::selectCurrentPicture()
{
    if (!m_model)
        return;
    const QVariant value = m_model->data(m_model->index(m_row, m_column), Qt::EditRole);
    const QString number = QString::number(value.toInt());
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem *candidate = item(i);
        if (candidate->text() == number) {
            setCurrentItem(candidate);
            scrollToItem(candidate, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void BilderPopupWidget::placeAtCell(QAbstractItemView *view, const QModelIndex &index, int width)
{
    QPoint anchor;
    if (view)
        anchor = view->viewport()->mapToGlobal(view->visualRect(index).topRight());
    QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const int h = available.height();
    const QSize size(width + 30, 4 * h / 10);
    // Near the bottom the pop-up moves up so that it ends with the available area.
    const int bottom = available.top() + h;
    if (anchor.y() + size.height() > bottom)
        anchor.setY(bottom - size.height());
    resize(size);
    move(anchor);
}

void BilderPopupWidget::getBildIdFromItem(QListWidgetItem *item)
{
    // Where one click both clicks and activates an item, the second signal
    // arrives after the choice; the cell is written once.
    if (m_chosen)
        return;
    m_chosen = true;
    if (item && m_model)
        m_model->setData(m_model->index(m_row, m_column), QVariant(item->text()), Qt::EditRole);
    close();
}

bool BilderPopupWidget::event(QEvent *event)
{
    // A press outside the pop-up ends the choice; the press is not passed on.
    if (event->type() == QEvent::MouseButtonPress
        && !frameGeometry().contains(static_cast<QMouseEvent *>(event)->globalPos())) {
        event->accept();
        close();
        return true;
    }
    return QListWidget::event(event);
}
