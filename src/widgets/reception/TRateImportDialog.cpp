#include "reception/TRateImportDialog.h"

#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "reception/RateCsvFile.h"
#include "text/ReceptionStrings.h"

namespace S = ReceptionStrings;

TRateImportDialog::TRateImportDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(S::RateImportCaption);
    askFileName = [this] {
        return QFileDialog::getOpenFileName(this, S::RateImportCaption, QString(),
                                            S::RateFileFilter);
    };

    m_file = new QLineEdit(this);
    m_file->setReadOnly(true);
    auto *choose = new QPushButton(S::ActChooseFile, this);
    connect(choose, &QPushButton::clicked, this, &TRateImportDialog::chooseFile);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(choose);

    m_validFrom = new QDateTimeEdit(QDateTime(QDate::currentDate(), QTime(0, 0)), this);
    m_validFrom->setCalendarPopup(true);
    m_validFrom->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    m_milkType = new QLineEdit(this);
    m_milkType->setPlaceholderText(S::RateMilkTypeHint);

    auto *form = new QFormLayout;
    form->addRow(S::RateFile, fileRow);
    form->addRow(S::RateValidFrom, m_validFrom);
    form->addRow(S::RateMilkType, m_milkType);

    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_load = new QPushButton(S::ActLoad, this);
    m_load->setDefault(true);
    auto *close = new QPushButton(S::ActClose, this);
    connect(m_load, &QPushButton::clicked, this, &TRateImportDialog::load);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_load);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(560, 260);
    showSummary(S::RateNoFile, false);
}

void TRateImportDialog::chooseFile()
{
    const QString path = askFileName ? askFileName() : QString();
    if (!path.isEmpty())
        openFile(path);
}

void TRateImportDialog::openFile(const QString &path)
{
    m_file->setText(path);
    m_read.reset();
    m_text.clear();
    const RateCsvFile::Read file = RateCsvFile::read(path);
    if (!file.ok) {
        showSummary(S::RateUnreadable.arg(path, file.error), true);
        return;
    }
    const RateTable::Parsed parsed = RateTable::fromCsv(file.text);
    const QString encoding = file.cp1251 ? S::RateCp1251 : QString();
    if (!parsed.table) {
        const QString why = parsed.errorLine > 0
                                ? S::RateLineError.arg(parsed.errorLine).arg(parsed.error)
                                : parsed.error;
        showSummary(why + encoding, true);
        return;
    }
    m_read = parsed.table;
    m_read->note = QFileInfo(path).fileName(); // which file the version came from
    m_text = file.text;
    const RateTable &t = *m_read;
    const QString what = t.kind == RateTable::Kind::Bands
                             ? S::RateBands.arg(t.bands.size())
                             : S::RateBase.arg(t.basePrice.toString(RateTable::PricePlaces))
                                   .arg(t.grades.size());
    showSummary(what + encoding, false);
}

std::optional<RateTable> TRateImportDialog::table() const
{
    if (!m_read)
        return std::nullopt;
    RateTable t = *m_read;
    t.validFrom = m_validFrom->dateTime();
    t.milkType = m_milkType->text().trimmed();
    return t;
}

void TRateImportDialog::load()
{
    const std::optional<RateTable> t = table();
    if (!t || !save)
        return;
    const QString error = save(*t, m_text);
    if (!error.isEmpty()) {
        showSummary(S::RateNotSaved.arg(error), true);
        return;
    }
    accept();
}

void TRateImportDialog::showSummary(const QString &text, bool wrong)
{
    m_summary->setText(text);
    m_summary->setStyleSheet(wrong ? QStringLiteral("color: #c00000") : QString());
    m_load->setEnabled(m_read.has_value()); // a failed save may be tried again
}
