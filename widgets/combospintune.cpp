#include "combospintune.h"
#include "ui_combospintune.h"

#include "combospinwgt.h"
#include "doublevalidator.h"

#include <QMessageBox>
#include <QRegularExpression>

#include <algorithm>

CombospinTune::CombospinTune(combospinWgt *target)
    : QDialog(target), ui(new Ui::CombospinTune), m_target(target)
{
    ui->setupUi(this);
    ui->csbMin->setWert(target->min());
    ui->csbMax->setWert(target->max());
    ui->spinBoxNKS->setValue(target->maxDecimals());
    ui->teListe->setPlainText(target->comboWerte().replace(QLatin1Char(';'), QLatin1Char('\n')));
    ui->csbStep->setWert(target->spinStep());
    ui->lineEditEinheit->setText(target->einheit());
}

CombospinTune::~CombospinTune()
{
    delete ui;
}

QString CombospinTune::cleanedListLine(const QString &line)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s"));
    QString cleaned = line;
    cleaned.remove(whiteSpace);
    cleaned.replace(QLatin1Char(','), QLatin1Char('.'));
    return cleaned;
}

bool CombospinTune::isValidListLine(const QString &line)
{
    static const QString number = QStringLiteral("[-+]?[0-9]+\\.?[0-9]*");
    static const QRegularExpression pattern(
        QStringLiteral("(^%1$|^%1:%1:%1$)").arg(number));
    return pattern.match(line).hasMatch();
}

QString CombospinTune::sortedComboWerte(QStringList lines)
{
    auto firstNumber = [](const QString &line) {
        return line.section(QLatin1Char(':'), 0, 0).toDouble();
    };
    std::sort(lines.begin(), lines.end(), [&](const QString &a, const QString &b) {
        return firstNumber(a) < firstNumber(b);
    });
    return lines.join(QLatin1Char(';'));
}

void CombospinTune::accept()
{
    m_target->setMin(ui->csbMin->wert());
    m_target->setMax(ui->csbMax->wert());
    m_target->setMaxDecimals(ui->spinBoxNKS->value());

    // Only truly empty lines are dropped; a line of blanks is a wrong entry.
    QStringList lines = ui->teListe->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines) {
        line = cleanedListLine(line);
        if (!isValidListLine(line)) {
            ui->teListe->setPlainText(lines.join(QLatin1Char('\n')));
            QMessageBox::critical(this, tr("Fehler"), tr("Falsches Format '%1'").arg(line));
            return;
        }
    }
    m_target->setComboWerte(sortedComboWerte(lines));
    m_target->setSpinStep(ui->csbStep->wert());
    m_target->setEinheit(ui->lineEditEinheit->text());
    QDialog::accept();
}
