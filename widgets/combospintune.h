#ifndef COMBOSPINTUNE_H
#define COMBOSPINTUNE_H

#include <QDialog>
#include <QStringList>

class combospinWgt;

namespace Ui {
class CombospinTune;
}

// Dialog "Eingabefeld anpassen": bounds, decimals, pick list, spin step and
// unit of one numeric editor. Confirming applies them to the editor.
class CombospinTune : public QDialog
{
    Q_OBJECT
public:
    explicit CombospinTune(combospinWgt *target);
    ~CombospinTune() override;

    // A pick-list line without white space and with "." for ",".
    static QString cleanedListLine(const QString &line);
    // Whether a cleaned line is one number or three separated by ":".
    static bool isValidListLine(const QString &line);
    // Cleaned lines in ascending order of their first number, joined by ";".
    static QString sortedComboWerte(QStringList lines);

public slots:
    void accept() override;

private:
    Ui::CombospinTune *ui;
    combospinWgt *m_target;
};

#endif // COMBOSPINTUNE_H
