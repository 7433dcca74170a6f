#ifndef COMBOSPINWGT_H
#define COMBOSPINWGT_H

#include <QListWidget>
#include <QPointer>
#include <QWidget>

class DoubleValidator;
class QLabel;
class QToolButton;
class numberEdit;

// Editor for one floating-point number: a right-aligned text field with an
// optional pick list of preset values, spin buttons, a unit label and a
// pop-up calculator. Typed values are kept between min and max at the end
// of an edit. Under a settings key the tuning (unit, pick list, step,
// bounds, decimals) is read from and written to the settings group
// "Combospins".
class combospinWgt : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double wert READ wert WRITE setWert)
    Q_PROPERTY(double min READ min WRITE setMin)
    Q_PROPERTY(double max READ max WRITE setMax)
    Q_PROPERTY(int maxDecimals READ maxDecimals WRITE setMaxDecimals)
    Q_PROPERTY(double spinStep READ spinStep WRITE setSpinStep)
    Q_PROPERTY(QString comboWerte READ comboWerte WRITE setComboWerte)
    Q_PROPERTY(QString einheit READ einheit WRITE setEinheit)
    Q_PROPERTY(bool readOnly READ readOnly WRITE setReadOnly RESET resetReadOnly)

public:
    explicit combospinWgt(QWidget *parent = nullptr);
    ~combospinWgt() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    double wert() const { return m_wert; }
    double min() const { return m_min; }
    void setMin(double value);
    double max() const { return m_max; }
    void setMax(double value);
    int maxDecimals() const { return m_maxDecimals; }
    void setMaxDecimals(int value);
    double spinStep() const { return m_spinStep; }
    void setSpinStep(double value);
    QString comboWerte() const { return m_comboWerte; }
    void setComboWerte(const QString &value);
    QString einheit() const { return m_einheit; }
    void setEinheit(const QString &value);
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool value);
    void resetReadOnly() { setReadOnly(false); }

    // Stores the name and applies the tuning kept under it; keys that are
    // not stored leave the values set before.
    void setSettingsKey(const QString &name);
    QString settingsKey() const { return m_settingsKey; }

    void setShowEinheit(bool show);
    bool showEinheit() const { return m_showEinheit; }

    numberEdit *lineEdit() const { return m_edit; }
    DoubleValidator *validator() const { return m_validator; }
    // The pick list, once it was opened (it lives in the active window).
    QListWidget *pickList() const { return m_pickList.data(); }

    // Ends the edit of the value: a typed text becomes its number, and a
    // value the user brought in (typed, picked from the list, taken from the
    // calculator) is kept between min and max, with the note "min  %1" or
    // "max %1" on a red field when it had to be clamped. A value with more
    // decimals than maxDecimals is rounded where the user sees it; a text
    // that is no number leaves the value from before the edit. Each of these
    // also shows a note beside the editor (EditorNote). Whoever commits the
    // value (a key that leaves the editor, a delegate) calls this first;
    // calling it again without a new change does nothing.
    void finishEdit();
    // The field is empty and stands for no value at all (a NULL cell):
    // set by clear(), left by every value that comes in.
    bool isEmptyValue() const { return m_emptyValue; }

signals:
    void FKeySignal(int key);
    void wertChanged(double wert);
    void focusLost();
    void rechnerSignal();

public slots:
    void setWert(double d);
    void changeWert(double d);
    void enable();
    void disable();
    void SetEnabled(bool b);
    void clear();
    void editedSlot();

protected slots:
    void cb_clicked();
    void sbdown_clicked();
    void sbup_clicked();
    void fromListSelected(const QString &entry);
    void fromListSelected(QListWidgetItem *item);
    void showRechner();
    void dblClicked();
    void ask4Parameters();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QToolButton *createToolButton(Qt::ArrowType arrow, int width, const QString &styleSheet,
                                  const QString &objectName);
    bool fillPickList(QWidget *window);
    void placePickList();
    bool pickListVisible() const;
    void hidePickList();
    void hideButtons();
    void showButtons();
    void endEdit();
    void cancelEdit();
    void returnToRestoreValue();
    bool takeTypedNumber(QStringList &notes);
    void roundToMaxDecimals(QStringList &notes);
    bool clampToBounds(QStringList &notes);
    void showNotes(const QStringList &notes);
    QString valueText(double value) const;
    void openPickListByKey();
    void stepByButton(bool up, bool animated);
    void connectField();
    void spin(bool up);
    double fieldNumber() const;
    void setFieldText(const QString &text);
    void applyEditPalette(bool writable);
    void markOutOfRange();

    numberEdit *m_edit = nullptr;
    DoubleValidator *m_validator = nullptr;
    QToolButton *m_listButton = nullptr;
    QToolButton *m_upButton = nullptr;
    QToolButton *m_downButton = nullptr;
    QToolButton *m_rechnerButton = nullptr;
    QLabel *m_einheitLabel = nullptr;

    double m_wert = 0.0;
    double m_restoreWert = 0.0;
    // The restore value is no value: the field was cleared from outside.
    bool m_restoreEmpty = false;
    bool m_emptyValue = false;
    double m_min = 0.0;
    double m_max = 100000000.0;
    int m_maxDecimals = 10;
    double m_spinStep = 0.0;
    int m_stepDecimals = 0;
    QString m_comboWerte;
    QString m_einheit;
    bool m_readOnly = false;
    QString m_settingsKey;
    bool m_showEinheit = false;
    bool m_plainText = true;
    bool m_edited = false;
    bool m_rechnerOpen = false;
    // A pick-list entry or calculator result not yet checked against the bounds.
    bool m_unchecked = false;

    QPointer<QListWidget> m_pickList;
    QString m_pickListSource;
};

#endif // COMBOSPINWGT_H
