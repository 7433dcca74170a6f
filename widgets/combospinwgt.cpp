#include "combospinwgt.h"

#include "calculator.h"
#include "combospinsettings.h"
#include "combospintune.h"
#include "doublevalidator.h"
#include "editornote.h"
#include "numberedit.h"
#include "numberformat.h"
#include "picklist.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const char kListButtonStyle[] =
    "QToolButton {border: 1px solid #8f8f91; } QToolButton:pressed {background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #dadbde, stop: 1 #f6f7fa);}";
const char kSpinButtonStyle[] =
    "QToolButton {border: 1px solid #8f8f91;} QToolButton:pressed {background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #dadbde, stop: 1 #f6f7fa);}";
constexpr int kMaxPickListHeight = 200;
}

combospinWgt::combospinWgt(QWidget *parent)
    : QWidget(parent)
{
    m_edit = new numberEdit(this);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::MinimumExpanding);
    m_validator = new DoubleValidator(m_min, m_max, m_maxDecimals, this);
    m_edit->setValidator(m_validator);

    m_listButton = createToolButton(Qt::DownArrow, 14, QString::fromLatin1(kListButtonStyle),
                                    QStringLiteral("listButton"));
    m_upButton = createToolButton(Qt::UpArrow, 16, QString::fromLatin1(kSpinButtonStyle),
                                  QStringLiteral("upButton"));
    m_downButton = createToolButton(Qt::DownArrow, 16, QString::fromLatin1(kSpinButtonStyle),
                                    QStringLiteral("downButton"));
    m_rechnerButton = createToolButton(Qt::NoArrow, -1, QString::fromLatin1(kSpinButtonStyle),
                                       QStringLiteral("rechnerButton"));
    m_rechnerButton->setIcon(QIcon(QStringLiteral(":/images/xcalc.png")));
    connect(m_listButton, &QToolButton::clicked, this, &combospinWgt::cb_clicked);
    connect(m_upButton, &QToolButton::clicked, this, &combospinWgt::sbup_clicked);
    connect(m_downButton, &QToolButton::clicked, this, &combospinWgt::sbdown_clicked);
    connect(m_rechnerButton, &QToolButton::clicked, this, &combospinWgt::showRechner);
    connectField();

    m_einheitLabel = new QLabel(this);
    m_einheitLabel->setObjectName(QStringLiteral("einheitLabel"));
    m_einheitLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *spinLayout = new QVBoxLayout;
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    spinLayout->addWidget(m_upButton);
    spinLayout->addWidget(m_downButton);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_listButton);
    layout->addLayout(spinLayout);
    layout->addWidget(m_rechnerButton);
    layout->addWidget(m_einheitLabel);

    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::WheelFocus);

    hideButtons();
    m_rechnerButton->hide();
    m_einheitLabel->hide();
}

combospinWgt::~combospinWgt()
{
    // Destroying the children takes the focus from the text field; an editor
    // that is going away ends no edit and announces nothing.
    blockSignals(true);
    disconnect(m_edit, nullptr, this, nullptr);
    m_edit->releaseOwner();
    // The pick list lives in another window; nothing can reach it once its
    // editor is gone.
    if (m_pickList)
        m_pickList->deleteLater();
}

// What the text field asks for; the value and the decisions stay here.
void combospinWgt::connectField()
{
    connect(m_edit, &QLineEdit::textEdited, this, &combospinWgt::editedSlot);
    connect(m_edit, &numberEdit::finishRequested, this, &combospinWgt::finishEdit);
    connect(m_edit, &numberEdit::buttonsRequested, this, &combospinWgt::showButtons);
    connect(m_edit, &numberEdit::left, this, &combospinWgt::endEdit);
    connect(m_edit, &numberEdit::stepRequested, this, &combospinWgt::stepByButton);
    connect(m_edit, &numberEdit::pickListRequested, this, &combospinWgt::openPickListByKey);
    connect(m_edit, &numberEdit::pickListEntryChosen, this,
            QOverload<QListWidgetItem *>::of(&combospinWgt::fromListSelected));
    connect(m_edit, &numberEdit::functionKeyPressed, this, &combospinWgt::FKeySignal);
    connect(m_edit, &numberEdit::calculatorRequested, this, &combospinWgt::showRechner);
    connect(m_edit, &numberEdit::tuningRequested, this, &combospinWgt::ask4Parameters);
    connect(m_edit, &numberEdit::editCancelled, this, &combospinWgt::cancelEdit);
}

QToolButton *combospinWgt::createToolButton(Qt::ArrowType arrow, int width,
                                            const QString &styleSheet, const QString &objectName)
{
    auto *button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setArrowType(arrow);
    if (width > 0)
        button->setFixedWidth(width);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    button->setStyleSheet(styleSheet);
    return button;
}

// ---- sizes ---------------------------------------------------------------

QSize combospinWgt::minimumSizeHint() const
{
    const QSize edit = m_edit->sizeHint();
    return QSize(edit.width() + 70, edit.height());
}

QSize combospinWgt::sizeHint() const
{
    return minimumSizeHint();
}

void combospinWgt::resizeEvent(QResizeEvent *event)
{
    hidePickList();
    QWidget::resizeEvent(event);
}

void combospinWgt::hideEvent(QHideEvent *event)
{
    hidePickList();
    QWidget::hideEvent(event);
}

// ---- properties ----------------------------------------------------------

void combospinWgt::setMin(double value)
{
    m_min = value;
    m_validator->setBottom(value);
}

void combospinWgt::setMax(double value)
{
    m_max = value;
    m_validator->setTop(value);
}

void combospinWgt::setMaxDecimals(int value)
{
    m_maxDecimals = value;
    m_validator->setDecimals(value);
}

void combospinWgt::setSpinStep(double value)
{
    m_spinStep = value;
    m_stepDecimals = stepDecimals(value);
}

void combospinWgt::setComboWerte(const QString &value)
{
    m_comboWerte = value;
    if (m_pickList)
        m_pickList->hide();   // refilled on the next opening
}

void combospinWgt::setEinheit(const QString &value)
{
    m_einheit = value;
    if (value.isEmpty()) {
        m_einheitLabel->clear();
        m_einheitLabel->hide();
        return;
    }
    if (value == QLatin1String("#")) {
        // An empty placeholder column, as wide as a short unit.
        m_einheitLabel->setMinimumWidth(40);
        m_einheitLabel->show();
        return;
    }
    const QString text = QLatin1Char(' ') + value;
    m_einheitLabel->setText(text);
    m_einheitLabel->setMinimumWidth(qMax(40, fontMetrics().horizontalAdvance(text) + 4));
    m_einheitLabel->show();
}

void combospinWgt::setShowEinheit(bool show)
{
    m_showEinheit = show;
    m_einheitLabel->setVisible(show && !m_einheit.isEmpty());
}

void combospinWgt::setReadOnly(bool value)
{
    m_readOnly = value;
    m_edit->setReadOnly(value);
    applyEditPalette(!value);
    setFocusPolicy(value ? Qt::NoFocus : Qt::WheelFocus);
}

void combospinWgt::applyEditPalette(bool writable)
{
    QPalette pal = QApplication::palette();
    if (!writable)
        pal.setColor(QPalette::All, QPalette::Base, pal.color(QPalette::Window));
    m_edit->setPalette(pal);
}

void combospinWgt::markOutOfRange()
{
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::All, QPalette::Base, Qt::red);
    m_edit->setPalette(pal);
    m_plainText = false;
}

void combospinWgt::setSettingsKey(const QString &name)
{
    m_settingsKey = name;
    m_edit->setTunable(!name.isEmpty());
    if (name.isEmpty())
        return;
    const CombospinSettings tuning = CombospinSettings::load(name);
    if (tuning.hasEinheit)
        setEinheit(tuning.einheit);
    if (tuning.hasCombo)
        setComboWerte(tuning.comboWerte);
    if (tuning.hasSpinStep)
        setSpinStep(tuning.spinStep);
    if (tuning.hasMin)
        setMin(tuning.min);
    if (tuning.hasMax)
        setMax(tuning.max);
    if (tuning.hasMaxDecimals)
        setMaxDecimals(tuning.maxDecimals);
}

// ---- value ---------------------------------------------------------------

void combospinWgt::setFieldText(const QString &text)
{
    const bool blocked = m_edit->blockSignals(true);
    m_edit->setText(text);
    m_edit->blockSignals(blocked);
}

double combospinWgt::fieldNumber() const
{
    // A note such as "min  0.5" stands for the clamped value.
    if (!m_plainText)
        return m_wert;
    return m_edit->text().toDouble();
}

void combospinWgt::setWert(double d)
{
    m_restoreWert = d;
    m_restoreEmpty = false;
    m_emptyValue = false;
    if (!m_plainText && d == m_wert && !m_edited) {
        // The value the note stands for comes back (a form showing what it
        // just stored): the note stays until the field is entered again.
        m_unchecked = false;
        return;
    }
    m_wert = d;
    setFieldText(valueText(d));
    m_edited = false;
    m_unchecked = false;
}

// A value set from outside is shown with all its decimals, even beyond
// maxDecimals: the field never hides a digit that is stored.
QString combospinWgt::valueText(double value) const
{
    return exactNumberText(value, m_maxDecimals);
}

void combospinWgt::changeWert(double d)
{
    setWert(d);
    emit wertChanged(m_wert);
}

void combospinWgt::enable()
{
    m_readOnly = false;
    m_edit->setReadOnly(false);
    applyEditPalette(true);
    setFocusPolicy(Qt::WheelFocus);
}

void combospinWgt::disable()
{
    m_readOnly = true;
    m_edit->setReadOnly(true);
    applyEditPalette(false);
    hideButtons();
    hidePickList();
    setFocusPolicy(Qt::NoFocus);
}

void combospinWgt::SetEnabled(bool b)
{
    if (b)
        enable();
    else
        disable();
}

void combospinWgt::clear()
{
    if (!m_plainText) {
        applyEditPalette(true);
        m_plainText = true;
    }
    setFieldText(QString());
    m_edited = false;
    m_unchecked = false;
    m_wert = 0.0;
    m_restoreWert = 0.0;
    m_restoreEmpty = true;
    m_emptyValue = true;
}

void combospinWgt::editedSlot()
{
    m_wert = m_edit->text().toDouble();
    m_edited = true;
    if (!m_plainText) {
        applyEditPalette(true);
        m_plainText = true;
    }
    // Whatever bound a spin reached before, the typed number is new.
    m_upButton->setEnabled(true);
    m_downButton->setEnabled(true);
    hideButtons();
    hidePickList();
}

// ---- buttons -------------------------------------------------------------

void combospinWgt::hideButtons()
{
    m_listButton->hide();
    m_upButton->hide();
    m_downButton->hide();
    m_rechnerButton->hide();
}

void combospinWgt::showButtons()
{
    if (m_readOnly)
        return;
    if (!m_plainText && !m_edit->text().isEmpty()) {
        setFieldText(valueText(m_wert));
        applyEditPalette(true);
        m_plainText = true;
    }
    m_listButton->setVisible(!m_comboWerte.isEmpty());
    m_upButton->setVisible(m_spinStep != 0.0);
    m_downButton->setVisible(m_spinStep != 0.0);
    m_edit->selectAll();
}

void combospinWgt::spin(bool up)
{
    hidePickList();
    double v = fieldNumber();
    if (up) {
        v += m_spinStep;
        if (v > m_max)
            v = m_max;
        if (v < m_min)
            v = m_min;
        m_downButton->setEnabled(true);
    } else {
        v -= m_spinStep;
        if (v < m_min)
            v = m_min;
        if (v > m_max)
            v = m_max;
        m_upButton->setEnabled(true);
    }
    v = roundToDecimals(v, m_stepDecimals);
    const QString text = QString::number(v, 'f', m_stepDecimals);
    m_wert = text.toDouble();
    if (up) {
        if (m_wert == m_max)
            m_upButton->setEnabled(false);
        if (m_wert == m_min)
            m_downButton->setEnabled(false);
    } else if (m_wert == m_min) {
        m_downButton->setEnabled(false);
    }
    if (!m_plainText) {
        applyEditPalette(true);
        m_plainText = true;
    }
    setFieldText(text);
    m_edit->selectAll();
    m_emptyValue = false;
    emit wertChanged(m_wert);
    m_edited = false;
    m_unchecked = false;
}

// The buttons do the step: a disabled one does not click, so keys and the
// wheel stop at the bounds.
void combospinWgt::stepByButton(bool up, bool animated)
{
    if (m_spinStep == 0.0)
        return;
    QToolButton *button = up ? m_upButton : m_downButton;
    if (animated)
        button->animateClick(30);
    else
        button->click();
}

void combospinWgt::sbup_clicked()
{
    spin(true);
}

void combospinWgt::sbdown_clicked()
{
    spin(false);
}

// ---- end of an edit ------------------------------------------------------

void combospinWgt::endEdit()
{
    if (m_readOnly || (m_pickList && m_pickList->hasFocus()) || m_rechnerOpen
        || m_edit->menuOpen())
        return;
    finishEdit();
    hideButtons();
    hidePickList();
    emit focusLost();
}

void combospinWgt::cancelEdit()
{
    returnToRestoreValue();
    hidePickList();
    emit wertChanged(m_wert);
}

// The value from before the edit, an empty field included.
void combospinWgt::returnToRestoreValue()
{
    if (m_restoreEmpty) {
        clear();
        return;
    }
    setWert(m_restoreWert);
}

void combospinWgt::finishEdit()
{
    if (m_readOnly)
        return;
    const bool edited = m_edited;
    if (!edited && !m_unchecked)
        return;
    applyEditPalette(true);
    m_plainText = true;
    QStringList notes;
    bool changed = edited;
    if (edited && !takeTypedNumber(notes)) {
        showNotes(notes);
        return;
    }
    if (!m_emptyValue) {
        const double before = m_wert;
        roundToMaxDecimals(notes);
        const bool clamped = clampToBounds(notes);
        changed = changed || clamped || m_wert != before;
    }
    m_edited = false;
    m_unchecked = false;
    showNotes(notes);
    // A taken entry already announced its value; only a change of it counts.
    if (changed)
        emit wertChanged(m_wert);
}

// The typed text becomes the value. An empty field where the edit began
// empty stays empty; a text that is no number ("e", "-", ".") brings the
// value from before the edit back and says so.
bool combospinWgt::takeTypedNumber(QStringList &notes)
{
    const QString typed = m_edit->text().trimmed();
    if (typed.isEmpty() && m_restoreEmpty) {
        clear();
        return false;
    }
    bool ok = true;
    const double number = typed.isEmpty() ? 0.0 : typed.toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        notes << tr("Keine Zahl: %1").arg(typed);
        returnToRestoreValue();
        return false;
    }
    m_wert = number;
    m_emptyValue = false;
    setFieldText(valueText(number));
    return true;
}

void combospinWgt::roundToMaxDecimals(QStringList &notes)
{
    if (shownDecimals(m_wert) <= qMax(0, m_maxDecimals))
        return;
    const QString rounded = formatNumber(m_wert, m_maxDecimals, 0);
    m_wert = rounded.toDouble();
    setFieldText(rounded);
    notes << tr("gerundet auf %1 Nachkommastellen").arg(m_maxDecimals);
}

// Keeps the value between min and max; the field then shows the bound's
// note on red. Returns whether the value had to be moved.
bool combospinWgt::clampToBounds(QStringList &notes)
{
    bool clamped = false;
    if (m_wert < m_min) {
        m_wert = m_min;
        const QString note = QStringLiteral("min  %1").arg(QString::number(m_min));
        setFieldText(note);
        notes << note;
        markOutOfRange();
        m_downButton->setEnabled(false);
        clamped = true;
    } else {
        m_downButton->setEnabled(true);
    }
    if (m_wert > m_max) {
        m_wert = m_max;
        const QString note = QStringLiteral("max %1").arg(QString::number(m_max));
        setFieldText(note);
        notes << note;
        markOutOfRange();
        m_upButton->setEnabled(false);
        clamped = true;
    } else {
        m_upButton->setEnabled(true);
    }
    return clamped;
}

void combospinWgt::showNotes(const QStringList &notes)
{
    if (!notes.isEmpty())
        EditorNote::showAt(this, notes.join(QLatin1Char('\n')));
}

// ---- pick list -----------------------------------------------------------

bool combospinWgt::pickListVisible() const
{
    return m_pickList && m_pickList->isVisible();
}

void combospinWgt::hidePickList()
{
    if (pickListVisible())
        m_pickList->hide();
}

bool combospinWgt::fillPickList(QWidget *window)
{
    const QStringList entries = pickListEntries(m_comboWerte);
    if (entries.isEmpty() || !window)
        return false;
    if (m_pickList) {
        m_pickList->clear();
    } else {
        m_pickList = new QListWidget(window);
        m_pickList->setObjectName(QStringLiteral("pickList"));
        m_pickList->hide();
        m_pickList->setFocusProxy(m_edit);
        m_edit->setPickList(m_pickList);
        connect(m_pickList, &QListWidget::itemClicked, this,
                QOverload<QListWidgetItem *>::of(&combospinWgt::fromListSelected));
        connect(m_pickList, &QListWidget::itemActivated, this,
                QOverload<QListWidgetItem *>::of(&combospinWgt::fromListSelected));
    }
    m_pickListSource = m_comboWerte;
    m_pickList->addItems(entries);
    return true;
}

void combospinWgt::placePickList()
{
    QWidget *host = m_pickList->parentWidget();
    int width = this->width();
    if (m_einheitLabel->isVisible())
        width -= m_einheitLabel->width();
    const int wanted = qMin(kMaxPickListHeight,
                            m_pickList->count() * m_pickList->fontMetrics().height()
                                + m_pickList->spacing());
    const QPoint topLeft = host->mapFromGlobal(mapToGlobal(QPoint(0, 0)));
    const int x = topLeft.x();
    const int y = topLeft.y();
    const int roomBelow = host->height() - y - height();
    if (roomBelow > wanted)
        m_pickList->setGeometry(x, y + height(), width, wanted);
    else if (y > wanted)
        m_pickList->setGeometry(x, y - wanted, width, wanted);
    else if (y >= roomBelow)
        m_pickList->setGeometry(x, 0, width, y);
    else
        m_pickList->setGeometry(x, y + height(), width, roomBelow);
}

void combospinWgt::openPickListByKey()
{
    if (!m_comboWerte.isEmpty())
        m_listButton->animateClick(100);
}

void combospinWgt::cb_clicked()
{
    QWidget *window = QApplication::activeWindow();
    if (!m_pickList || m_comboWerte != m_pickListSource) {
        if (!fillPickList(window))
            return;
    }
    if (m_pickList->isVisible()) {
        m_pickList->hide();
        return;
    }
    if (!window)
        return;
    placePickList();
    m_pickList->clearSelection();
    m_pickList->raise();
    m_pickList->show();
}

void combospinWgt::fromListSelected(QListWidgetItem *item)
{
    if (item)
        fromListSelected(item->text());
}

void combospinWgt::fromListSelected(const QString &entry)
{
    hidePickList();
    // An entry may carry a comment after a blank.
    const QString number = entry.section(QLatin1Char(' '), 0, 0);
    setFieldText(number);
    m_wert = number.toDouble();
    m_emptyValue = false;
    m_edited = false;
    m_unchecked = true;
    m_edit->setFocus();
    if (m_wert < m_max)
        m_upButton->setEnabled(true);
    if (m_wert > m_min)
        m_downButton->setEnabled(true);
    emit wertChanged(m_wert);
}

// ---- calculator and tuning -----------------------------------------------

void combospinWgt::showRechner()
{
    m_rechnerOpen = true;
    double value = m_wert;
    if (m_readOnly && m_edit->hasSelectedText())
        value = m_edit->selectedText().toDouble();
    Calculator calculator(&value, nullptr);
    if (calculator.exec() == QDialog::Accepted && !m_readOnly) {
        changeWert(value);
        m_unchecked = true;
    }
    m_rechnerOpen = false;
    // The edit goes on in the field: the focus must come back to it, or
    // the taken number would never be committed (the focus went to the
    // calculator while the end of the edit was held back).
    if (!m_readOnly && isVisible()) {
        window()->activateWindow();
        m_edit->setFocus(Qt::OtherFocusReason);
    }
}

void combospinWgt::dblClicked()
{
    // Calculator requests are never handed to the outside here.
}

void combospinWgt::ask4Parameters()
{
    hidePickList();
    CombospinTune dialog(this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A new unit shows only where the editor shows units at all (forms, not cells).
    setShowEinheit(m_showEinheit);
    if (!accepted || m_settingsKey.isEmpty())
        return;
    CombospinSettings::store(m_settingsKey, m_einheit, m_comboWerte, m_spinStep, m_min, m_max,
                             m_maxDecimals);
}
